#include "updater/update_run.h"

#include "common/caller_path.h"
#include "updater/application_exit.h"
#include "updater/command_line.h"
#include "updater/installer.h"
#include "updater/notices.h"
#include "updater/relaunch.h"
#include "updater/update_publisher.h"

namespace {

// 1641: the installer succeeded and has started the restart itself.
bool installer_succeeded(DWORD result) {
  return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_REQUIRED ||
         result == ERROR_SUCCESS_REBOOT_INITIATED;
}

// Steps from the opening of the update file to the installer's end; the
// caller restarts the application whatever they answer.
int apply_update(const UpdaterApi& api, const DigestApi& digest, const TrustApi& trust,
                 const UpdateRequest& request) {
  // Shared for reading only, and held until the installer has ended: nobody
  // can write, move or delete the file between its check and its run.
  FileHandle file = win::open_caller_path(api.create_file, api.close_handle, request.update_file,
                                         win::PathAccess::read, FILE_SHARE_READ);
  if (!file.valid()) return kExitUpdateFileUnavailable;
  const bool verified = verify_file_digest(file.get(), request.expected_digest, digest) &&
                        verify_update_publisher(file.get(), request.update_file, trust);
  if (!verified) {
    file.reset();
    show_notice(api, Notice::not_verified);
    return kExitUpdateNotVerified;
  }

  const DWORD result = run_installer(api, file.get(), request.update_file);
  file.reset();
  if (installer_succeeded(result)) return kExitUpdated;
  // A refused elevation was the user's own choice: nothing to tell them.
  if (result != ERROR_CANCELLED) show_notice(api, Notice::incomplete);
  return kExitInstallerFailed;
}

}  // namespace

int run_update(const UpdaterApi& api, const DigestApi& digest, const TrustApi& trust) {
  const auto request = read_update_request(api);
  if (!request) return kExitBadCommandLine;

  switch (wait_for_application_exit(api, request->process_id, request->application_path)) {
    case ApplicationExit::not_verified:
      return kExitApplicationNotVerified;
    case ApplicationExit::still_running:
      // It is still running: no restart.
      show_notice(api, Notice::close_application);
      return kExitApplicationStillRunning;
    case ApplicationExit::ended:
      break;
  }

  const int code = apply_update(api, digest, trust, *request);
  relaunch_application(api, request->application_path);
  return code;
}
