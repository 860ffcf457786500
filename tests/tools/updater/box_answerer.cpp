// Answers the updater's message boxes: finds each top-level dialog captioned
// "Lumetta", appends its text to RECORD, presses OK and waits for it to go.
// Runs until the file STOP exists.   box_answerer RECORD STOP
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tests/tools/updater/message_box.h"
#include "tests/tools/updater/record_file.h"

namespace {

constexpr DWORD kPollMs = 50;

void answer(HWND box, const std::wstring& record) {
  append_line(record, message_text(box));
  // The text is on disk before OK: once the updater has ended, its record is complete.
  press_ok(box);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count != 3) return 2;
  const std::wstring record = args[1];
  const std::wstring stop = args[2];
  LocalFree(args);
  for (;;) {
    const bool stopping = GetFileAttributesW(stop.c_str()) != INVALID_FILE_ATTRIBUTES;
    while (HWND box = find_shown_box()) answer(box, record);
    if (stopping) return 0;
    Sleep(kPollMs);
  }
}
