#include "relaunch.h"

std::wstring application_folder(std::wstring_view application_path) {
  const auto separator = application_path.find_last_of(L"\\/");
  return std::wstring(separator == std::wstring_view::npos ? application_path
                                                           : application_path.substr(0, separator));
}

void relaunch_application(const UpdaterApi& api, const std::wstring& application_path) {
  const std::wstring folder = application_folder(application_path);
  api.shell_execute(nullptr, L"open", application_path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}
