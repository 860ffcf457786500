#include "tests/kit/console_windows.h"

#include <string_view>

#include "driver_setup/report/report.h"  // to_utf8

namespace kit {
namespace {

constexpr std::wstring_view kConsoleClasses[] = {
    L"ConsoleWindowClass",              // the console host
    L"CASCADIA_HOSTING_WINDOW_CLASS",  // the terminal that Windows 11 may hand consoles to
    L"WineConsoleClass",               // Wine's console host
};

std::wstring class_of(HWND window) {
  wchar_t name[256] = {};
  return std::wstring(name, GetClassNameW(window, name, 256));
}

BOOL CALLBACK add_if_console(HWND window, LPARAM found) {
  const std::wstring name = class_of(window);
  for (const std::wstring_view console : kConsoleClasses)
    if (name == console && IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(found)->insert(window);
  return TRUE;
}

}  // namespace

std::set<HWND> visible_console_windows() {
  std::set<HWND> found;
  EnumWindows(add_if_console, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> new_console_windows(const std::set<HWND>& before) {
  std::vector<HWND> shown;
  for (const HWND window : visible_console_windows())
    if (!before.contains(window)) shown.push_back(window);
  return shown;
}

std::string describe_window(HWND window) {
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  return to_utf8(class_of(window)) + " \"" + to_utf8(title) + "\"";
}

}  // namespace kit
