#include "driver_setup/payload/payload_path.h"

namespace {

bool is_bare_drive(std::wstring_view folder) {
  if (folder.size() != 2 || folder[1] != L':') return false;
  const wchar_t letter = folder[0];
  return (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
}

bool needs_separator(std::wstring_view folder) {
  if (folder.empty() || is_bare_drive(folder)) return false;
  return folder.back() != L'\\' && folder.back() != L'/';
}

}  // namespace

std::wstring join_payload_path(std::wstring_view folder, std::wstring_view file_name) {
  std::wstring path(folder);
  if (needs_separator(folder)) path += L'\\';
  path += file_name;
  return path;
}
