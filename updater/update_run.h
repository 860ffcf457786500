// The whole run of the updater: arguments, the wait for the application, the
// checks (digest, publisher) and elevated run of the update file, the messages
// and the restart.
#pragma once
#include "updater/file_digest.h"
#include "updater/updater_api.h"

// The process exit codes, which are the caller's only answer.
inline constexpr int kExitUpdated = 0;                  // the installer ended with 0, 3010 or 1641
inline constexpr int kExitInstallerFailed = 1;          // not started, refused, unreadable or another code
inline constexpr int kExitBadCommandLine = 2;
inline constexpr int kExitApplicationNotVerified = 3;   // not openable, not identifiable, another program
inline constexpr int kExitApplicationStillRunning = 4;
inline constexpr int kExitUpdateFileUnavailable = 5;
inline constexpr int kExitUpdateNotVerified = 6;        // wrong digest, or not signed by this updater's publisher

// Returns the exit code. The application is restarted once on every path that
// opened, or tried to open, the update file, and on no other.
int run_update(const UpdaterApi& api = real_updater_api(), const DigestApi& digest = real_digest_api(),
               const TrustApi& trust = real_trust_api());
