#include "updater/update_publisher.h"

#include <optional>
#include <vector>

#include "common/caller_path.h"
#include "updater/application_exit.h"
#include "updater/signer_subject.h"

namespace {

// Read from the headers of the image that this process runs, which nothing
// outside it can change: the updater's folder may be writable by the user,
// and a running program's file can be renamed and another put in its place.
// Such a file may make a signed updater refuse, never pass for an unsigned one.
bool image_carries_signature(const TrustApi& api) {
  const auto* image = reinterpret_cast<const BYTE*>(api.get_module_handle(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

// The updater's own file, held shared for reading only while it is checked.
std::optional<SubjectName> own_signer_subject(const TrustApi& api) {
  std::vector<wchar_t> buffer(kImagePathChars);
  // A path that fills the buffer was cut short (ERROR_INSUFFICIENT_BUFFER).
  const DWORD length = api.get_module_file_name(nullptr, buffer.data(), kImagePathChars);
  if (length == 0 || length >= kImagePathChars) return std::nullopt;
  const std::wstring path(buffer.data(), length);
  const FileHandle own = win::open_caller_path(api.create_file, api.close_handle, path, win::PathAccess::read,
                                               FILE_SHARE_READ);
  if (!own.valid()) return std::nullopt;
  return trusted_signer_subject(api, path, own.get());
}

}  // namespace

bool verify_update_publisher(HANDLE update_file, const std::wstring& update_path, const TrustApi& api) {
  if (!image_carries_signature(api)) return true;
  // A signature that Windows does not trust (tampered, from an untrusted root,
  // expired without a timestamp) names no publisher: nothing may run.
  const auto publisher = own_signer_subject(api);
  if (!publisher) return false;
  // The digest left the handle at the end of the file: Windows is given it at the start.
  if (!api.set_file_pointer_ex(update_file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return false;
  return trusted_signer_subject(api, update_path, update_file) == publisher;
}
