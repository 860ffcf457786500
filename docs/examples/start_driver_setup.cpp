// How the application starts driver_setup.exe (docs/integration.md):
// --install elevated, the other verbs as the user, neither with a console
// window; the exit code first, the report second.
//
//   start_driver_setup.exe DRIVER_SETUP_EXE VERB [ARGUMENT...] REPORT
// runs DRIVER_SETUP_EXE as the application does, with REPORT made absolute
// and fresh, and prints its exit code and the report's bytes.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "docs/examples/command_line.h"

// Waits for the process and answers its exit code. The application does
// this off its window thread: --install runs for half a minute or more.
std::optional<DWORD> exit_code_of(HANDLE process) {
  const Handle owner(process, &CloseHandle);
  DWORD code = 0;
  if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code))
    return std::nullopt;
  return code;
}

// --install: elevated through the consent prompt, which "runas" brings up and
// owner (the application's window) holds. SW_HIDE keeps the console window
// of the elevated console program hidden. Nothing when it did not start:
// GetLastError() is then ERROR_CANCELLED (1223) if the user declined.
std::optional<DWORD> run_elevated(HWND owner, const std::wstring& driver_setup,
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
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return std::nullopt;
  return exit_code_of(info.hProcess);
}

// --probe, --verify, --restore: as the user, without a console window.
std::optional<DWORD> run_hidden(const std::wstring& driver_setup, const std::vector<std::wstring>& arguments) {
  std::wstring command_line = quote(driver_setup) + L" " + join(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(driver_setup.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return std::nullopt;
  const Handle thread(process.hThread, &CloseHandle);
  return exit_code_of(process.hProcess);
}

// An absolute report path (an elevated run may start in another working
// folder) whose file is gone, so that no earlier run's report can pass for
// this one's: exit 2 and an unwritable path leave no report at all.
std::optional<std::wstring> fresh_report_path(const std::wstring& wanted) {
  std::error_code error;
  const std::filesystem::path report = std::filesystem::absolute(wanted, error);
  if (error) return std::nullopt;
  if (DeleteFileW(report.c_str())) return report.wstring();
  // Nothing to delete, or not even its folder yet: driver_setup creates it.
  const DWORD why = GetLastError();
  if (why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) return std::nullopt;
  return report.wstring();
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::printf("usage: start_driver_setup.exe DRIVER_SETUP_EXE VERB [ARGUMENT...] REPORT\n");
    return 2;
  }
  // ShellExecuteExW may hand the start to shell extensions that need COM.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::vector<std::wstring> arguments(argv + 2, argv + argc);
  const auto report = fresh_report_path(arguments.back());
  if (!report) {
    std::printf("the report path cannot be made absolute and fresh\n");
    return 2;
  }
  arguments.back() = *report;
  const auto code = arguments.front() == L"--install" ? run_elevated(nullptr, argv[1], arguments)
                                                      : run_hidden(argv[1], arguments);
  if (code)
    std::printf("exit %lu\n", *code);
  else
    std::printf("did not run (Windows error %lu)\n", GetLastError());
  std::ostringstream bytes;
  bytes << std::ifstream(std::filesystem::path(*report), std::ios::binary).rdbuf();
  std::printf("report %s\n", bytes.str().c_str());
  CoUninitialize();
  return 0;
}
