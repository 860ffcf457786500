// What the Windows check kit needs to run the helpers as the application does
// and to read what they leave behind.
#pragma once
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/unique_resource.h"

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

// What a started program did.
struct Run {
  bool ended = false;              // within the time limit
  DWORD exit_code = 0;
  std::vector<std::wstring> boxes;  // "caption|text" of each "Lumetta" box, answered with OK
};

using Process = win::ProcessHandle;

// Starts program with args, quoted the way CommandLineToArgvW splits them back
// (no argument holds a double quote); holds nothing when it could not start.
Process start(const fs::path& program, const std::vector<std::wstring>& args);

// Starts program with args, answers every "Lumetta" message box by reading it
// and pressing OK, and waits up to two minutes before ending it. watch, when
// given, sees the running process at every poll.
Run run(const fs::path& program, const std::vector<std::wstring>& args,
        const std::function<void(HANDLE)>& watch = nullptr);

// "exit N" or "did not end", for messages.
std::string describe(const Run& run);

// The file's bytes; "<missing>" when it cannot be read.
std::string read_bytes(const fs::path& file);

// Waits up to 10 s for a file that a just-started program writes.
bool appears(const fs::path& file);

}  // namespace kit
