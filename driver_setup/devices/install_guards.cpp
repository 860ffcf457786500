#include "driver_setup/devices/install_guards.h"

#include <cwchar>
#include <stdexcept>
#include <string_view>

#include "common/ascii.h"
#include "driver_setup/check_step.h"

namespace {

// Games that must not see their audio devices change while they run.
constexpr std::wstring_view kGameExecutables[] = {L"Rocksmith2014.exe", L"Rocksmith.exe"};

bool is_game(const PROCESSENTRY32W& entry) {
  // Bounded: a name that fills the whole field has no terminator.
  const std::wstring_view name(entry.szExeFile, wcsnlen(entry.szExeFile, std::size(entry.szExeFile)));
  for (const auto game : kGameExecutables)
    if (win::ascii_iequal(name, game)) return true;
  return false;
}

// Walks the whole snapshot; an empty or unreadable one finds nothing.
bool game_is_running(const InstallApi& api) {
  ProcessSnapshot snapshot(api.create_toolhelp32_snapshot(TH32CS_SNAPPROCESS, 0), api.close_handle);
  check_step(snapshot.valid(), "Check running applications");
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = api.process32_first(snapshot.get(), &entry); more;
       more = api.process32_next(snapshot.get(), &entry))
    found |= is_game(entry);
  return found;
}

}  // namespace

void check_change_allowed(const InstallApi& api, const char* game_refusal) {
  // No call in between: the message carries whatever code the thread holds.
  check_step(api.is_user_an_admin(), "Administrator permission required");
  if (game_is_running(api)) throw std::runtime_error(game_refusal);
}
