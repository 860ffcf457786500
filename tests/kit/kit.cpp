#include "tests/kit/kit.h"

#include <fstream>
#include <set>
#include <sstream>

#include "docs/examples/driver_setup_starts.h"
#include "driver_setup/report/report.h"
#include "tests/kit/console_windows.h"
#include "tests/tools/updater/message_box.h"

namespace kit {
namespace {

constexpr ULONGLONG kRunLimitMs = 120000;
constexpr DWORD kPollMs = 50;
// A console window of a short run shows for some tens of milliseconds.
constexpr DWORD kConsolePollMs = 5;

void answer_boxes(Run& run) {
  while (HWND box = find_shown_box()) {
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    run.boxes.push_back(std::wstring(caption) + L"|" + message_text(box));
    press_ok(box);
  }
}

ConsoleSightings& sightings() {
  static ConsoleSightings record;
  return record;
}

void note_new_console_windows(const std::set<HWND>& before, std::set<HWND>& noted) {
  for (const HWND window : new_console_windows(before))
    if (noted.insert(window).second) sightings().windows.push_back(describe_window(window));
}

}  // namespace

Start start_for(const fs::path& program, const std::vector<std::wstring>& args) {
  if (program.filename() != L"driver_setup.exe") return Start::plain;
  // The verbs that may need administrator rights start elevated, as the guide's application starts them.
  const bool elevated = !args.empty() && (args.front() == L"--install" || args.front() == L"--uninstall");
  return elevated ? Start::elevated : Start::hidden;
}

Process start(const fs::path& program, const std::vector<std::wstring>& args, Start how) {
  if (how == Start::hidden) return Process(start_hidden(program.wstring(), args).release(), ::CloseHandle);
  if (how == Start::elevated) return Process(start_elevated(nullptr, program.wstring(), args).release(), ::CloseHandle);
  // Quoted as the integration guide tells the application to quote them.
  std::wstring command = quote(program.wstring()) + L" " + join(args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                      how == Start::new_console ? CREATE_NEW_CONSOLE : 0, nullptr, nullptr, &startup, &process))
    return Process(nullptr, ::CloseHandle);
  const Process thread(process.hThread, ::CloseHandle);
  return Process(process.hProcess, ::CloseHandle);
}

const ConsoleSightings& console_sightings() { return sightings(); }

Run run(const fs::path& program, const std::vector<std::wstring>& args, const std::function<void(HANDLE)>& watch) {
  return run_as(start_for(program, args), program, args, watch);
}

Run run_as(Start how, const fs::path& program, const std::vector<std::wstring>& args,
           const std::function<void(HANDLE)>& watch) {
  Run run;
  const std::set<HWND> before = visible_console_windows();
  const Process child = start(program, args, how);
  if (!child.valid()) {
    run.start_error = GetLastError();
    return run;
  }
  const bool guided = how == Start::hidden || how == Start::elevated;
  sightings().starts += guided;
  sightings().elevated += how == Start::elevated;
  const bool installs = !args.empty() && args.front() == L"--install";
  std::set<HWND> noted;
  const ULONGLONG start = GetTickCount64();
  bool out_of_time = false;
  for (;;) {
    if (guided) note_new_console_windows(before, noted);
    if (WaitForSingleObject(child.get(), guided ? kConsolePollMs : kPollMs) != WAIT_TIMEOUT) break;
    if (watch) watch(child.get());
    answer_boxes(run);
    // An --install is never ended: killed, it can leave a device without its driver.
    if (!installs && GetTickCount64() - start > kRunLimitMs) {
      out_of_time = true;
      TerminateProcess(child.get(), 1);
    }
  }
  run.ended = !out_of_time && GetExitCodeProcess(child.get(), &run.exit_code);
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
