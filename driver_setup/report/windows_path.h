// The parts of a Windows path, by the rules Windows itself applies: both
// separators, and a root name (drive, server or device prefix) that is never
// taken for a folder.
#pragma once
#include <cstddef>
#include <string_view>

namespace win_path {

bool is_separator(wchar_t c);

// "C:", "\\server", or a three-character device or long-path prefix ("\\?",
// "\\.", "\??") followed by a separator; 0 when the path has none.
std::size_t root_name_length(std::wstring_view path);

// What remains when the last component and the separators ending the rest are
// dropped; the root name and the root folder after it always stay.
std::wstring_view parent_path(std::wstring_view path);

// Empty, or nothing but a root name and its root folder ("C:", "C:\", "\\.\").
bool is_root_only(std::wstring_view path);

// Names the same file whatever the working folder and the drives' current
// folders are: "C:\x", "\\server\x", "\\?\x"; not "x", "\x" or "C:x".
bool is_fully_qualified(std::wstring_view path);

}  // namespace win_path
