// The four arguments with which the application starts the updater.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "updater/updater_api.h"

struct UpdateRequest {
  std::wstring update_file;       // the installer to run
  std::wstring application_path;  // the application's image, for its identity and its restart
  DWORD process_id = 0;           // the running application
  std::wstring expected_digest;   // checked only by the digest comparison
};

inline constexpr size_t kMinimumPathChars = 4;

// Splits the process's own command line the platform's way; nothing when it
// is not the program and exactly four well-formed arguments.
std::optional<UpdateRequest> read_update_request(const UpdaterApi& api);
