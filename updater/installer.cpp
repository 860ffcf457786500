#include "updater/installer.h"

namespace {

DWORD exit_code_of(const UpdaterApi& api, HANDLE installer) {
  api.wait_for_single_object(installer, INFINITE);
  DWORD code = 0;
  return api.get_exit_code_process(installer, &code) ? code : kInstallerNotObserved;
}

}  // namespace

DWORD run_installer(const UpdaterApi& api, const std::wstring& update_file) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // NOASYNC: the launch must be over before this thread goes on and exits.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = update_file.c_str();
  info.lpParameters = L"/S";
  info.nShow = SW_SHOWNORMAL;
  const bool started = api.shell_execute_ex(&info);
  const DWORD start_error = GetLastError();
  const ProcessHandle installer(started ? info.hProcess : nullptr, api.close_handle);
  if (installer.valid()) return exit_code_of(api, installer.get());
  // A launch that failed can leave no error code (the shell may have shown
  // its own message instead): that must not read as the installer's success.
  return start_error != ERROR_SUCCESS ? start_error : kInstallerNotObserved;
}
