#include "updater/relaunch.h"

std::wstring application_folder(std::wstring_view application_path) {
  const auto separator = application_path.find_last_of(L"\\/");
  if (separator == std::wstring_view::npos) return std::wstring(application_path);
  // "C:" alone would name drive C's current folder, and "" the updater's own:
  // a root keeps its separator.
  const bool root = separator == 0 || (separator == 2 && application_path[1] == L':');
  return std::wstring(application_path.substr(0, root ? separator + 1 : separator));
}

void relaunch_application(const UpdaterApi& api, const std::wstring& application_path) {
  const std::wstring folder = application_folder(application_path);
  api.shell_execute(nullptr, L"open", application_path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}
