#include "updater/relaunch.h"

#include "common/windows_path.h"

void relaunch_application(const UpdaterApi& api, const std::wstring& application_path) {
  const std::wstring folder = win_path::application_folder(application_path);
  api.shell_execute(nullptr, L"open", application_path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}
