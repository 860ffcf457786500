// Test tool: a DLL that a test copies next to a program under the names of the
// system libraries it uses. If the program loads one of them from its own
// folder, the copy appends the program's path to NAME.dll.loaded beside itself.
#include <windows.h>

#include "tests/tools/updater/record_file.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size())));
    append_line(path + L".loaded", own_path());
  }
  return TRUE;
}
