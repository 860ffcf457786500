#include "tests/kit/kit.h"

#include <fstream>
#include <sstream>

#include "docs/examples/command_line.h"
#include "driver_setup/report/report.h"
#include "tests/tools/updater/message_box.h"

namespace kit {
namespace {

constexpr ULONGLONG kRunLimitMs = 120000;
constexpr DWORD kPollMs = 50;

void answer_boxes(Run& run) {
  while (HWND box = find_shown_box()) {
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    run.boxes.push_back(std::wstring(caption) + L"|" + message_text(box));
    press_ok(box);
  }
}

}  // namespace

Process start(const fs::path& program, const std::vector<std::wstring>& args) {
  // Quoted as the integration guide tells the application to quote them.
  std::wstring command = quote(program.wstring()) + L" " + join(args);
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

Answer ask(const Context& c, const fs::path& program, std::vector<std::wstring> args, const wchar_t* report_name) {
  const fs::path report = c.temp / report_name;
  args.push_back(report.wstring());
  Answer answer;
  answer.run = run(program, args);
  answer.report = read_bytes(report);
  return answer;
}

Outcome matches(const Answer& answer, DWORD exit_code, const std::string& expected, bool whole) {
  if (!answer.run.ended || answer.run.exit_code != exit_code)
    return failed(describe(answer.run) + " instead of exit " + std::to_string(exit_code) + "; report " + answer.report);
  if (whole ? answer.report != expected : answer.report.rfind(expected, 0) != 0)
    return failed("report " + answer.report + ", expected " + (whole ? "" : "a beginning ") + expected);
  return passed();
}

Outcome answers(const Context& c, const fs::path& program, std::vector<std::wstring> args, const wchar_t* report_name,
                DWORD exit_code, const std::string& expected, bool whole) {
  return matches(ask(c, program, std::move(args), report_name), exit_code, expected, whole);
}

std::string endpoint_array(const Defaults& defaults) {
  std::ostringstream out;
  write_endpoint_array(out, defaults);
  return out.str();
}

}  // namespace kit
