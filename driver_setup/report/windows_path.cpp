#include "driver_setup/report/windows_path.h"

#include <algorithm>

namespace win_path {
namespace {

bool is_drive_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool has_drive(std::wstring_view path) { return path.size() >= 2 && path[1] == L':' && is_drive_letter(path[0]); }

// "\\?\", "\\.\" and "\??\": the long-path, device and NT object prefixes.
bool has_device_prefix(std::wstring_view path) {
  if (path.size() < 4 || !is_separator(path[0]) || !is_separator(path[3])) return false;
  return (is_separator(path[1]) && (path[2] == L'?' || path[2] == L'.')) || (path[1] == L'?' && path[2] == L'?');
}

// Where the relative part begins: after the root name and every separator of the root folder.
std::size_t relative_start(std::wstring_view path) {
  const auto rest = path.begin() + static_cast<std::ptrdiff_t>(root_name_length(path));
  return static_cast<std::size_t>(std::find_if_not(rest, path.end(), is_separator) - path.begin());
}

}  // namespace

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::size_t root_name_length(std::wstring_view path) {
  if (has_drive(path)) return 2;
  if (has_device_prefix(path)) return 3;
  // "\\server": two separators, then a name up to the next separator.
  if (path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) && !is_separator(path[2]))
    return static_cast<std::size_t>(std::find_if(path.begin() + 3, path.end(), is_separator) - path.begin());
  return 0;
}

std::wstring_view parent_path(std::wstring_view path) {
  const std::size_t start = relative_start(path);
  std::size_t end = path.size();
  while (end > start && !is_separator(path[end - 1])) --end;
  while (end > start && is_separator(path[end - 1])) --end;
  return path.substr(0, end);
}

bool is_root_only(std::wstring_view path) { return relative_start(path) == path.size(); }

bool is_fully_qualified(std::wstring_view path) {
  // "C:" alone or "C:x" is relative to that drive's current folder.
  if (has_drive(path)) return path.size() >= 3 && is_separator(path[2]);
  return root_name_length(path) > 0;
}

}  // namespace win_path
