#include "updater/command_line.h"

#include <cwchar>

namespace {

constexpr int kExpectedElements = 5;  // the program and its four arguments

// wcstoul skips leading blanks and stops at the first non-digit: the argument
// counts only when nothing is left after the number.
std::optional<DWORD> whole_decimal(const wchar_t* text) {
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(text, &end, 10);
  if (end != text + std::wcslen(text)) return std::nullopt;
  return static_cast<DWORD>(value);
}

// A double quote in a path would end it early in the command lines that
// the shell builds from it.
bool usable_path(const std::wstring& path) {
  return path.size() >= kMinimumPathChars && path.find(L'"') == std::wstring::npos;
}

}  // namespace

std::optional<UpdateRequest> read_update_request(const UpdaterApi& api) {
  int count = 0;
  const ArgumentArray args(api.command_line_to_argv(api.get_command_line(), &count), api.local_free);
  if (!args.valid() || count != kExpectedElements) return std::nullopt;

  const auto process_id = whole_decimal(args.get()[3]);
  if (!process_id) return std::nullopt;
  UpdateRequest request;
  request.update_file = args.get()[1];
  request.application_path = args.get()[2];
  request.process_id = *process_id;
  request.expected_digest = args.get()[4];
  if (!usable_path(request.update_file) || !usable_path(request.application_path)) return std::nullopt;
  return request;
}
