#include "updater/application_exit.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/ascii.h"

namespace {

std::optional<std::wstring> image_of(const UpdaterApi& api, HANDLE process) {
  std::vector<wchar_t> image(kImagePathChars);
  DWORD size = kImagePathChars;
  if (!api.query_full_process_image_name(process, 0, image.data(), &size)) return std::nullopt;
  return std::wstring(image.data(), std::min(size, kImagePathChars));
}

// A process that has ended while another program (an antivirus, a launcher)
// still holds it open can still be opened, but Windows no longer names its
// image (ERROR_GEN_FAILURE, or no code at all). A zero wait tells that apart
// from a running process that refuses the query.
bool has_ended(const UpdaterApi& api, HANDLE process) {
  return api.wait_for_single_object(process, 0) == WAIT_OBJECT_0;
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
  const auto image = image_of(api, process.get());
  if (!image) return has_ended(api, process.get()) ? ApplicationExit::ended : ApplicationExit::not_verified;
  // The file system folds only ASCII letters in the names that the application
  // was started with; other letters and path forms must match as they are.
  if (!win::ascii_iequal(*image, application_path)) return ApplicationExit::not_verified;

  const DWORD waited = api.wait_for_single_object(process.get(), kApplicationExitTimeoutMs);
  process.reset();
  return waited == WAIT_OBJECT_0 ? ApplicationExit::ended : ApplicationExit::still_running;
}
