// Test tool: a process that only exists, for tests that need a program of a
// given name running. Copied under that name and started as
//   NAME.exe MS [FILE]   creates NAME.exe.started beside itself, then sleeps MS milliseconds;
//                        with FILE, holds it open for writing all that time
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const DWORD stay_ms = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 0;
  // As an editor holds the file it has open: shared for reading and writing,
  // and closed only when the process ends.
  if (argc > 2 && CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr) == INVALID_HANDLE_VALUE)
    return 1;
  std::wstring marker(32768, L'\0');
  marker.resize(GetModuleFileNameW(nullptr, marker.data(), static_cast<DWORD>(marker.size())));
  // The marker tells the test that the process is in the process list by now.
  std::ofstream(std::filesystem::path(marker + L".started"));
  Sleep(stay_ms);
  return 0;
}
