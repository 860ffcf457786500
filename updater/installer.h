// The elevated run of the update file.
#pragma once
#include <windows.h>

#include <string>

#include "updater/updater_api.h"

inline constexpr DWORD kInstallerNotObserved = 1;

// Starts the update file that update holds open (its path as given:
// update_file) with "runas" and "/S", and waits for it without a limit. The
// shell is given the file's final path, every junction and link on the given
// path resolved; a file on a network share is started by update_file.
// Returns the installer's exit code; when it could not be started, the
// start's error code (ERROR_CANCELLED for a refused elevation,
// ERROR_FILENAME_EXCED_RANGE for a final path the shell does not take);
// kInstallerNotObserved when no code could be learnt at all.
DWORD run_installer(const UpdaterApi& api, HANDLE update, const std::wstring& update_file);
