#include "driver_setup/report/report_file.h"

#include <algorithm>

#include "common/caller_path.h"

namespace {

// WriteFile may take fewer bytes than offered (a pipe, a network redirector).
bool write_all(const ReportApi& api, HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!api.write_file(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(std::min<std::size_t>(written, bytes.size()));
  }
  return true;
}

// A character device (\\.\NUL, a serial port) has no cache to flush, and on a
// pipe FlushFileBuffers waits until the other end has read everything: there
// the bytes WriteFile took count as written. Every other file, one whose type
// Windows cannot tell included, must reach the disk.
bool flush_to_disk(const ReportApi& api, HANDLE file) {
  const DWORD type = api.get_file_type(file);
  if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) return true;
  return api.flush_file_buffers(file);
}

}  // namespace

bool save_report(const std::wstring& path, std::string_view bytes, const ReportApi& api) {
  // No sharing restriction: the caller may read the file while it is written.
  ReportFile file = win::open_caller_path(api.create_file, api.close_handle, path, win::PathAccess::write,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  if (!file.valid() || !write_all(api, file.get(), bytes) || !flush_to_disk(api, file.get())) return false;
  // The close can still fail the data (a dropped network share): its answer counts.
  return file.close();
}
