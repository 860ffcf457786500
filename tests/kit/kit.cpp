#include "tests/kit/kit.h"

#include <fstream>
#include <sstream>

#include "tests/tools/updater/message_box.h"

namespace kit {
namespace {

constexpr ULONGLONG kRunLimitMs = 120000;
constexpr DWORD kPollMs = 50;

// A backslash run before the closing quote would escape it: double it.
std::wstring quoted(const std::wstring& arg) {
  const auto last = arg.find_last_not_of(L'\\');
  const std::size_t trailing = arg.size() - (last == std::wstring::npos ? 0 : last + 1);
  return L"\"" + arg + std::wstring(trailing, L'\\') + L"\"";
}

void answer_boxes(Run& run) {
  while (HWND box = FindWindowW(kDialogClass, L"Lumetta")) {
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    run.boxes.push_back(std::wstring(caption) + L"|" + message_text(box));
    press_ok(box);
  }
}

}  // namespace

Process start(const fs::path& program, const std::vector<std::wstring>& args) {
  std::wstring command = quoted(program.wstring());
  for (const auto& arg : args) command += L" " + quoted(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return Process(nullptr, ::CloseHandle);
  const Process thread(process.hThread, ::CloseHandle);
  return Process(process.hProcess, ::CloseHandle);
}

Run run(const fs::path& program, const std::vector<std::wstring>& args, const std::function<void(HANDLE)>& watch) {
  Run run;
  const Process child = start(program, args);
  if (!child.valid()) return run;
  const ULONGLONG start = GetTickCount64();
  while (WaitForSingleObject(child.get(), kPollMs) == WAIT_TIMEOUT) {
    if (watch) watch(child.get());
    answer_boxes(run);
    if (GetTickCount64() - start > kRunLimitMs) TerminateProcess(child.get(), 1);
  }
  run.ended = GetTickCount64() - start <= kRunLimitMs && GetExitCodeProcess(child.get(), &run.exit_code);
  return run;
}

std::string describe(const Run& run) {
  return run.ended ? "exit " + std::to_string(run.exit_code) : std::string("did not start or end in time");
}

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool appears(const fs::path& file) {
  for (int i = 0; i < 200; ++i, Sleep(kPollMs))
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return false;
}

}  // namespace kit
