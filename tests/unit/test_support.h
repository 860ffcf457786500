// Small helpers shared by the unit tests.
#pragma once
#include <exception>
#include <string>

// The message of what f raises, or "(nothing raised)".
template <typename F>
std::string error_of(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nothing raised)";
}

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

// A fresh folder under the system's temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::filesystem::path(base) /
            (L"ut" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter_++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return (path_ / name).wstring(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

// Some answers are Wine's own, not Windows': a test that holds one says so and
// skips it on Windows.
inline bool under_wine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
