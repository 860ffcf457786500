// The two starts of driver_setup.exe that docs/integration.md gives the
// application. The Windows check kit starts it through them too.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "docs/examples/command_line.h"

// As the user, without a console: every verb, and --install first of all.
inline Handle start_hidden(const std::wstring& driver_setup, const std::vector<std::wstring>& arguments) {
  std::wstring command_line = quote(driver_setup) + L" " + join(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(driver_setup.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return Handle(nullptr, &CloseHandle);
  const Handle thread(process.hThread, &CloseHandle);
  return Handle(process.hProcess, &CloseHandle);
}

// Elevated through the consent prompt, which "runas" brings up and owner (the
// application's window) holds: only for an --install that answered the rights
// error. Holds no process when it did not start: GetLastError() is then
// ERROR_CANCELLED (1223) if the user declined.
inline Handle start_elevated(HWND owner, const std::wstring& driver_setup,
                             const std::vector<std::wstring>& arguments) {
  const std::wstring parameters = join(arguments);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // A process handle to wait on; the process started before the call
  // returns; failures come back through GetLastError, not a shell message box.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = driver_setup.c_str();
  info.lpParameters = parameters.c_str();
  // The show state of the console window that the elevated program gets.
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info)) return Handle(nullptr, &CloseHandle);
  return Handle(info.hProcess, &CloseHandle);
}
