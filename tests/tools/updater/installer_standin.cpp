// Stands in for the update installer: records its arguments, whether its own
// file could be opened for writing and deleted while it runs, and the path it
// was started by (in <exe>.path), and ends with the code written in <exe>.code
// (0 when there is none).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "tests/tools/updater/record_file.h"

namespace {

DWORD chosen_exit_code(const std::wstring& self) {
  const HANDLE in = CreateFileW((self + L".code").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return 0;
  char text[16] = {};
  DWORD read = 0;
  ReadFile(in, text, sizeof text - 1, &read, nullptr);
  CloseHandle(in);
  return std::strtoul(text, nullptr, 10);
}

std::wstring arguments() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring joined;
  for (int i = 1; args && i < count; ++i) joined += (i > 1 ? L" " : L"") + std::wstring(args[i]);
  LocalFree(args);
  return joined;
}

std::wstring try_write(const std::wstring& self) {
  const HANDLE file = CreateFileW(self.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error_text(L"refused", GetLastError());
  CloseHandle(file);
  return L"allowed";
}

std::wstring try_delete(const std::wstring& self) {
  return DeleteFileW(self.c_str()) ? L"allowed" : error_text(L"refused", GetLastError());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring self = own_path();
  const std::wstring log = self + L".log";
  append_line(log, L"args=" + arguments());
  append_line(log, L"write=" + try_write(self));
  append_line(log, L"delete=" + try_delete(self));
  append_line(self + L".path", self);
  return static_cast<int>(chosen_exit_code(self));
}
