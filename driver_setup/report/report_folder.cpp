// The report's folder and its missing ancestors, made with Windows' own path rules.
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/windows_path.h"
#include "driver_setup/report/report.h"

namespace {

// The system's description of code, without the line break that ends it.
std::wstring describe(const ReportApi& api, DWORD code) {
  wchar_t text[512];
  DWORD length = api.format_message(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                    text, static_cast<DWORD>(std::size(text)), nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
  if (length) return std::wstring(text, length);
  return L"Windows error " + std::to_wstring(code);
}

[[noreturn]] void raise_folder_error(const ReportApi& api, DWORD code, const std::wstring& parent) {
  throw std::runtime_error("create_directories: " + to_utf8(describe(api, code)) + ": \"" + to_utf8(parent) + "\"");
}

// True when the folder exists afterwards. An existing folder is no failure,
// whatever code Windows gives for it: a drive's root answers ERROR_ACCESS_DENIED,
// not ERROR_ALREADY_EXISTS, and "x\.." can name one.
bool make_folder(const ReportApi& api, const std::wstring& folder) {
  if (api.create_directory(folder.c_str(), nullptr)) return true;
  win::LastErrorKeeper keep;  // the creation's code names the failure
  const DWORD attributes = api.get_file_attributes(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void create_report_folder(const std::wstring& path, const ReportApi& api) {
  const std::wstring parent(win_path::parent_path(path));
  // No folder part, or only a root (a drive, a server, a device prefix): nothing to make.
  if (win_path::is_root_only(parent)) return;
  // Up to the first folder that exists or can be made, never to a root; then
  // down again, each missing folder made once.
  std::vector<std::wstring> missing;
  std::wstring folder = parent;
  while (!make_folder(api, folder)) {
    const DWORD code = GetLastError();
    std::wstring above(win_path::parent_path(folder));
    if (code != ERROR_PATH_NOT_FOUND || win_path::is_root_only(above)) raise_folder_error(api, code, parent);
    missing.push_back(std::move(folder));
    folder = std::move(above);
  }
  for (auto below = missing.rbegin(); below != missing.rend(); ++below)
    if (!make_folder(api, *below)) raise_folder_error(api, GetLastError(), parent);
}
