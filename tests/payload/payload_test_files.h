// Files for the payload tests, written into a TempFolder.
#pragma once
#include <windows.h>

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/unit/test_support.h"

// Writes bytes (i * 167 + 13) mod 256, so that no two neighbouring chunks repeat.
inline void write_pattern_file(const std::wstring& path, std::size_t size) {
  std::vector<char> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 167 + 13) & 0xFF);
  std::ofstream(path.c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void write_text_file(const std::wstring& path, std::string_view text) {
  std::ofstream(path.c_str(), std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// True when nobody holds the file open: an open that shares nothing succeeds.
inline bool opens_exclusively(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}
