// Stands in for the application. "--stay MS" writes its process ID to
// <exe>.pid and keeps running for MS milliseconds; any other start appends its
// working folder and command line to <exe>.starts and ends at once.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "tests/tools/updater/record_file.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring self = own_path();
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args && count == 3 && std::wcscmp(args[1], L"--stay") == 0) {
    const DWORD stay_ms = std::wcstoul(args[2], nullptr, 10);
    LocalFree(args);
    // Written under another name first: the script reads the ID as soon as the file exists.
    const std::wstring pid_file = self + L".pid";
    DeleteFileW((pid_file + L".tmp").c_str());
    append_line(pid_file + L".tmp", std::to_wstring(GetCurrentProcessId()));
    MoveFileExW((pid_file + L".tmp").c_str(), pid_file.c_str(), MOVEFILE_REPLACE_EXISTING);
    Sleep(stay_ms);
    return 0;
  }
  LocalFree(args);
  std::wstring folder(32768, L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  append_line(self + L".starts", L"cwd=" + folder + L"\tcmd=" + GetCommandLineW());
  return 0;
}
