// How the application hands a downloaded update to updater.exe and then
// closes itself (docs/integration.md).
//
//   start_updater.exe UPDATER_EXE UPDATE_FILE DIGEST
// starts a copy of UPDATER_EXE in UPDATE_FILE's folder for this process, as
// the application does, and ends at once.
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <filesystem>

#include "docs/examples/command_line.h"

// The application's own path as Windows names its image: updater.exe holds
// it against QueryFullProcessImageNameW for the given process ID, and
// another spelling of the same file (a SUBST or mapped drive, a junction,
// a short name) ends the update silently with exit 3.
std::optional<std::wstring> own_image_path() {
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(GetCurrentProcess(), 0, path.data(), &size)) return std::nullopt;
  path.resize(size);
  return path;
}

// Starts updater.exe from outside the application's folder, which the
// installer replaces, with its four arguments; the application then closes
// within 30 s. Nobody is left to read the updater's exit code.
bool start_updater(const std::filesystem::path& updater, const std::filesystem::path& update_file,
                   std::wstring digest) {
  const auto application = own_image_path();
  if (!application) return false;
  std::error_code error;
  const std::filesystem::path copy = update_file.parent_path() / L"updater.exe";
  if (!std::filesystem::copy_file(updater, copy, std::filesystem::copy_options::overwrite_existing, error))
    return false;
  // Only 64 lower-case hexadecimal characters can match.
  for (auto& c : digest) c = static_cast<wchar_t>(std::towlower(c));
  std::wstring command_line = join({copy.wstring(), update_file.wstring(), *application,
                                    std::to_wstring(GetCurrentProcessId()), digest});
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  const Handle owners[] = {{process.hProcess, &CloseHandle}, {process.hThread, &CloseHandle}};
  return true;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: start_updater.exe UPDATER_EXE UPDATE_FILE DIGEST\n");
    return 2;
  }
  return start_updater(argv[1], std::filesystem::absolute(argv[2]), argv[3]) ? 0 : 1;
}
