// Reading and closing the updater's message boxes, for the tests' box answerer
// and the Windows check kit alike.
#pragma once
#include <windows.h>

#include <iterator>
#include <string>

inline constexpr wchar_t kDialogClass[] = L"#32770";  // a message box is a standard dialog
inline constexpr int kMessageTextId = 0xFFFF;        // the static control of a message box's text

// The updater's box once it shows. A dialog can be found while it is still
// being made, before its text is set; it is shown only after that.
inline HWND find_shown_box() {
  const HWND box = FindWindowW(kDialogClass, L"Lumetta");
  return box && IsWindowVisible(box) ? box : nullptr;
}

inline std::wstring message_text(HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, kMessageTextId, text, static_cast<int>(std::size(text)));
  return text;
}

// Presses OK and waits up to 10 s for the box to go.
inline void press_ok(HWND box) {
  SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(50);
}
