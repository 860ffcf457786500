// Test tool: stands in for driver_setup.exe in the guide's --install order,
// where Wine cannot refuse the rights. Copied as driver_setup.exe and started as
//   driver_setup.exe --install PACKAGE REPORT
// A start with a show state (ShellExecuteExW gives one, the guide's start as
// the user none) answers as an elevated run that installed; a start without
// one answers the rights error once the package folder exists, and "Cannot
// hash driver payload" when it does not. Each start appends "show=N" or
// "show=none" and "console=yes" or "console=no" to <exe>.starts.
#include <windows.h>

#include <string>

#include "common/unique_resource.h"
#include "tests/tools/updater/record_file.h"

namespace {

constexpr char kBlankDefaults[] = R"("defaults_before":["","","","","",""],"defaults_after":["","","","","",""]})";

int answer(const std::wstring& report, const char* status, const char* error, int code) {
  const std::string bytes = std::string(R"({"status":")") + status + R"(","error":")" + error +
                            R"(","existing_devices":0,)" + kBlankDefaults;
  const win::FileHandle file(
      CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
      ::CloseHandle);
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const bool shown = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
  append_line(own_path() + L".starts", L"show=" + (shown ? std::to_wstring(startup.wShowWindow) : L"none") +
                                           L" console=" + (GetConsoleWindow() ? L"yes" : L"no"));
  if (shown) return answer(argv[3], "installed_restart_required", "", ERROR_SUCCESS_REBOOT_REQUIRED);
  if (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES)
    return answer(argv[3], "error", "Cannot hash driver payload", 1);
  return answer(argv[3], "error", "Administrator permission required (Windows error 0)", 1);
}
