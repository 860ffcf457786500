// The parts of a Windows path, by the rules Windows itself applies: both
// separators, and a root name (drive, server or device prefix) that is never
// taken for a folder. Both programs name files with these rules only.
#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace win_path {

inline bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

namespace detail {

inline bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

inline bool has_drive(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' && is_drive_letter(path[0]);
}

// "\??\", the NT object prefix. The long-path and device prefixes "\\?\" and
// "\\.\" need no rule of their own: the server rule gives them the same three
// characters.
inline bool has_object_prefix(std::wstring_view path) {
  return path.size() >= 4 && is_separator(path[0]) && path[1] == L'?' && path[2] == L'?' && is_separator(path[3]);
}

}  // namespace detail

// "C:", "\\server", or a three-character device or long-path prefix ("\\?",
// "\\.", "\??") followed by a separator; 0 when the path has none.
inline std::size_t root_name_length(std::wstring_view path) {
  if (detail::has_drive(path)) return 2;
  if (detail::has_object_prefix(path)) return 3;
  // "\\server": two separators, then a name up to the next separator.
  if (path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) && !is_separator(path[2]))
    return static_cast<std::size_t>(std::find_if(path.begin() + 3, path.end(), is_separator) - path.begin());
  return 0;
}

namespace detail {

// Where the relative part begins: after the root name and every separator of the root folder.
inline std::size_t relative_start(std::wstring_view path) {
  const auto rest = path.begin() + static_cast<std::ptrdiff_t>(root_name_length(path));
  return static_cast<std::size_t>(std::find_if_not(rest, path.end(), is_separator) - path.begin());
}

}  // namespace detail

// What remains when the last component and the separators ending the rest are
// dropped; the root name and the root folder after it always stay.
inline std::wstring_view parent_path(std::wstring_view path) {
  const std::size_t start = detail::relative_start(path);
  std::size_t end = path.size();
  while (end > start && !is_separator(path[end - 1])) --end;
  while (end > start && is_separator(path[end - 1])) --end;
  return path.substr(0, end);
}

// Empty, or nothing but a root name and its root folder ("C:", "C:\", "\\.\").
inline bool is_root_only(std::wstring_view path) { return detail::relative_start(path) == path.size(); }

// Names the same file whatever the working folder and the drives' current
// folders are: "C:\x", "\\server\x", "\\?\x"; not "x", "\x" or "C:x".
inline bool is_fully_qualified(std::wstring_view path) {
  // "C:" alone or "C:x" is relative to that drive's current folder.
  if (detail::has_drive(path)) return path.size() >= 3 && is_separator(path[2]);
  return root_name_length(path) > 0;
}

// Appends file_name to folder with a backslash between them, unless folder is
// empty, already ends in a separator, or is a bare drive such as "Z:" (which
// names that drive's current directory, not its root).
inline std::wstring join(std::wstring_view folder, std::wstring_view file_name) {
  const bool bare_drive = folder.size() == 2 && detail::has_drive(folder);
  std::wstring path(folder);
  if (!folder.empty() && !bare_drive && !is_separator(folder.back())) path += L'\\';
  path += file_name;
  return path;
}

// An application's folder, its working directory when it is started: the path
// up to its last backslash or slash, the whole path when it has neither. "C:"
// alone would name drive C's current folder, and "" the starter's own: a root
// keeps its separator.
inline std::wstring application_folder(std::wstring_view application_path) {
  const auto separator = application_path.find_last_of(L"\\/");
  if (separator == std::wstring_view::npos) return std::wstring(application_path);
  const bool root = separator == 0 || (separator == 2 && application_path[1] == L':');
  return std::wstring(application_path.substr(0, root ? separator + 1 : separator));
}

}  // namespace win_path
