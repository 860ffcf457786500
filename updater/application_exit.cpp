#include "application_exit.h"

#include <algorithm>
#include <vector>

#include "../common/ascii.h"

namespace {

// The file system folds only ASCII letters in the names that the application
// was started with; other letters and path forms must match as they are.
bool runs_image(const UpdaterApi& api, HANDLE process, std::wstring_view application_path) {
  std::vector<wchar_t> image(kImagePathChars);
  DWORD size = kImagePathChars;
  if (!api.query_full_process_image_name(process, 0, image.data(), &size)) return false;
  return win::ascii_iequal(std::wstring_view(image.data(), std::min(size, kImagePathChars)), application_path);
}

}  // namespace

ApplicationExit wait_for_application_exit(const UpdaterApi& api, DWORD process_id,
                                          std::wstring_view application_path) {
  ProcessHandle process(api.open_process(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id),
                        api.close_handle);
  // Windows answers ERROR_INVALID_PARAMETER for an ID that names no process:
  // the application has already ended.
  if (!process.valid())
    return GetLastError() == ERROR_INVALID_PARAMETER ? ApplicationExit::ended : ApplicationExit::not_verified;
  if (!runs_image(api, process.get(), application_path)) return ApplicationExit::not_verified;

  const DWORD waited = api.wait_for_single_object(process.get(), kApplicationExitTimeoutMs);
  process.reset();
  return waited == WAIT_OBJECT_0 ? ApplicationExit::ended : ApplicationExit::still_running;
}
