// What the end-to-end stand-ins write: UTF-8 lines in files beside their own
// executable, so that the test script finds them without being told where.
#pragma once
#include <windows.h>

#include <string>

inline std::wstring own_path() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

inline std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// Appends one line and closes the file at once, so that a reader never sees
// half of it once the writer has moved on.
inline void append_line(const std::wstring& file, const std::wstring& line) {
  const HANDLE out = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  const std::string bytes = utf8(line) + "\n";
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(out);
}

inline std::wstring error_text(const wchar_t* word, DWORD code) {
  return std::wstring(word) + L" " + std::to_wstring(code);
}
