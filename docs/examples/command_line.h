// Shared by the examples of docs/integration.md: building a command line that
// the started program splits back into the same arguments.
#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A process or thread handle, closed when it goes out of scope.
using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;

// One argument in double quotes, so that CommandLineToArgvW and the C runtime
// give it back whole: spaces stay inside it, and a run of backslashes is
// doubled only where a double quote follows it (a folder ending in "\" would
// otherwise swallow the closing quote). An empty argument becomes "".
inline std::wstring quote(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// The arguments, each quoted, separated by single spaces.
inline std::wstring join(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const auto& argument : arguments) line += (line.empty() ? L"" : L" ") + quote(argument);
  return line;
}
