// How the application starts driver_setup.exe (docs/integration.md): every
// verb as the user without a console, --install elevated only when it asked
// for administrator rights; the exit code first, the report second.
//
//   start_driver_setup.exe DRIVER_SETUP_EXE VERB [ARGUMENT...] REPORT
// runs DRIVER_SETUP_EXE as the application does, with REPORT made absolute
// and fresh, and prints its exit code and the report's bytes.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "docs/examples/driver_setup_starts.h"

// Waits for the process and answers its exit code. The waiting thread is
// apartment-threaded (ShellExecuteExW asks for that), so it keeps dispatching
// window messages and COM calls while it waits: a thread of that kind that
// blocks stalls its windows and every COM call made into its apartment.
std::optional<DWORD> exit_code_of(const Handle& process) {
  if (!process) return std::nullopt;
  HANDLE handles[] = {process.get()};
  DWORD index = 0;
  DWORD code = 0;
  if (FAILED(CoWaitForMultipleHandles(COWAIT_DISPATCH_CALLS | COWAIT_DISPATCH_WINDOW_MESSAGES, INFINITE, 1, handles,
                                      &index)) ||
      !GetExitCodeProcess(process.get(), &code))
    return std::nullopt;
  return code;
}

// The report's bytes; empty when there is none.
std::string report_bytes(const std::wstring& report) {
  std::ostringstream bytes;
  bytes << std::ifstream(std::filesystem::path(report), std::ios::binary).rdbuf();
  return bytes.str();
}

// --install asks for the consent prompt only when it must: as the user first,
// which a working cable answers with "reused"; elevated only after the rights
// error. The keys stand in a fixed order, so that error text begins the file.
std::optional<DWORD> install(HWND owner, const std::wstring& driver_setup,
                             const std::vector<std::wstring>& arguments) {
  const std::optional<DWORD> code = exit_code_of(start_hidden(driver_setup, arguments));
  const std::string rights_error = R"({"status":"error","error":"Administrator permission required (Windows error )";
  const std::wstring& report = arguments.back();
  if (code != 1u || report_bytes(report).rfind(rights_error, 0) != 0) return code;
  // The first run's report must not pass for the second's.
  if (!DeleteFileW(report.c_str())) return std::nullopt;
  return exit_code_of(start_elevated(owner, driver_setup, arguments));
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
  const auto code = arguments.front() == L"--install" ? install(nullptr, argv[1], arguments)
                                                      : exit_code_of(start_hidden(argv[1], arguments));
  if (code)
    std::printf("exit %lu\n", *code);
  else
    std::printf("did not run (Windows error %lu)\n", GetLastError());
  std::printf("report %s\n", report_bytes(*report).c_str());
  CoUninitialize();
  return 0;
}
