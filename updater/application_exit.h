// The wait for the running application to end before its files are replaced.
#pragma once
#include <windows.h>

#include <string_view>

#include "updater/updater_api.h"

inline constexpr DWORD kApplicationExitTimeoutMs = 30000;
inline constexpr DWORD kImagePathChars = 32768;

enum class ApplicationExit {
  ended,         // it ended within the time, or had already ended (gone, or held open by another program)
  not_verified,  // it could not be opened or identified, or it is another program
  still_running,
};

// Opens the process, checks that its image is application_path (ASCII letters
// folded) and waits for it; a process that has already ended needs neither.
// The process handle is closed before it returns.
ApplicationExit wait_for_application_exit(const UpdaterApi& api, DWORD process_id,
                                          std::wstring_view application_path);
