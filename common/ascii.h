// Whole-string comparison that folds only the ASCII letters, as Windows does
// for hardware IDs and executable names in the "C" locale.
#pragma once
#include <string_view>

namespace win {

constexpr wchar_t ascii_lower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

constexpr bool ascii_iequal(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

}  // namespace win
