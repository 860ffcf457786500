// The elevated run of the update file.
#pragma once
#include <windows.h>

#include <string>

#include "updater/updater_api.h"

inline constexpr DWORD kInstallerNotObserved = 1;

// Starts update_file with "runas" and "/S" and waits for it without a limit.
// Returns its exit code; when it could not be started, the start's error code
// (ERROR_CANCELLED for a refused elevation); kInstallerNotObserved when no
// code could be learnt at all.
DWORD run_installer(const UpdaterApi& api, const std::wstring& update_file);
