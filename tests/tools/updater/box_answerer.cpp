// Answers the updater's message boxes: finds each top-level dialog captioned
// "Lumetta", appends its text to RECORD, presses OK and waits for it to go.
// Runs until the file STOP exists.   box_answerer RECORD STOP
#include <windows.h>
#include <shellapi.h>

#include <iterator>
#include <string>

#include "record_file.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static control of a message box's text
constexpr DWORD kPollMs = 50;

std::wstring message_text(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, kMessageTextId, text, static_cast<int>(std::size(text)));
  return text;
}

void answer(HWND box, const std::wstring& record) {
  append_line(record, message_text(box));
  // The text is on disk before OK: once the updater has ended, its record is complete.
  SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(kPollMs);
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
    while (HWND box = FindWindowW(L"#32770", L"Lumetta")) answer(box, record);
    if (stopping) return 0;
    Sleep(kPollMs);
  }
}
