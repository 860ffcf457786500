// What the Windows check kit needs to run the helpers as the application does
// and to read what they leave behind.
#pragma once
#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "tests/kit/machine.h"
#include "tests/unit/test_support.h"  // under_wine

namespace kit {

namespace fs = std::filesystem;

// One check's answer: PASS, FAIL with what differed, or SKIP with why.
struct Outcome {
  enum Kind { pass, fail, skip } kind = pass;
  std::string why;
};
inline Outcome passed() { return {}; }
inline Outcome failed(std::string why) { return {Outcome::fail, std::move(why)}; }
inline Outcome skipped(std::string why) { return {Outcome::skip, std::move(why)}; }

// What the kit was asked to do, and where it works.
struct Context {
  fs::path kit;   // this program's folder: the helpers and the test tools
  fs::path temp;  // the kit's own files, removed at the end
  std::optional<fs::path> package;
  bool install_cable = false;
  bool change_defaults = false;
  // What the cable check left, for the removal checks that end the run.
  struct Cable {
    bool installed = false;  // the kit ran --install on a machine without a cable
    bool removal_ran = false;
    std::vector<std::wstring> packages;  // the devices' oem*.inf, read before the removal
  };
  mutable Cable cable;  // the checks take the context as const; only these carry over

  fs::path driver_setup() const { return kit / L"driver_setup.exe"; }
  fs::path updater() const { return kit / L"updater.exe"; }
};

// What a started program did.
struct Run {
  bool ended = false;              // within the time limit
  DWORD exit_code = 0;
  DWORD start_error = ERROR_SUCCESS;  // GetLastError() when it did not start
  std::vector<std::wstring> boxes;  // "caption|text" of each "Lumetta" box, answered with OK
};

using Process = win::ProcessHandle;

// How a program is started. driver_setup as the integration guide tells the
// application to: --install elevated (ShellExecuteExW "runas", SW_HIDE), every
// other verb as the user without a console (CREATE_NO_WINDOW); everything
// else with CreateProcessW and no flags, or with a console of its own, shown.
enum class Start { plain, hidden, elevated, new_console };
Start start_for(const fs::path& program, const std::vector<std::wstring>& args);

// Starts program with args, quoted the way CommandLineToArgvW splits them back;
// holds nothing when it could not start.
Process start(const fs::path& program, const std::vector<std::wstring>& args, Start how = Start::plain);

// Starts program with args as start_for says, answers every "Lumetta" message
// box by reading it and pressing OK, and waits up to two minutes before ending
// it; an --install is never ended. watch, when given, sees the running process
// at every poll.
Run run(const fs::path& program, const std::vector<std::wstring>& args,
        const std::function<void(HANDLE)>& watch = nullptr);
// The same with the start given.
Run run_as(Start how, const fs::path& program, const std::vector<std::wstring>& args,
           const std::function<void(HANDLE)>& watch = nullptr);

// The console windows that became visible while driver_setup ran, over all
// its starts so far.
struct ConsoleSightings {
  int starts = 0;
  int elevated = 0;
  std::vector<std::string> windows;  // class and title of each
};
const ConsoleSightings& console_sightings();

// "exit N" or "did not end", for messages.
std::string describe(const Run& run);

// The file's bytes; "<missing>" when it cannot be read.
std::string read_bytes(const fs::path& file);

// Waits up to 10 s for a file that a just-started program writes.
bool appears(const fs::path& file);

// A helper's run with a report path in the kit's folder, and that report's bytes.
struct Answer {
  Run run;
  std::string report;
};
Answer ask(const Context& c, const fs::path& program, std::vector<std::wstring> args, const wchar_t* report_name);

// The answer against an exit code and the report (exactly, or its beginning).
Outcome matches(const Answer& answer, DWORD exit_code, const std::string& expected, bool whole = false);

// Runs program with args and a report path, and holds the answer against what is expected.
Outcome answers(const Context& c, const fs::path& program, std::vector<std::wstring> args, const wchar_t* report_name,
                DWORD exit_code, const std::string& expected, bool whole = false);

// The six defaults as the report lists them.
std::string endpoint_array(const Defaults& defaults);

}  // namespace kit
