#include "driver_setup/payload/payload_copy.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "common/security_descriptor.h"
#include "common/windows_path.h"
#include "driver_setup/check_step.h"
#include "driver_setup/payload/catalog_trust.h"
#include "driver_setup/payload/hash_file_sha256.h"

namespace {

constexpr char kCopyStep[] = "Cannot copy driver payload";

// Owner Administrators; a protected DACL (nothing inherited from Temp, where
// every user may create files) of full control for SYSTEM and Administrators,
// inherited by every file written inside.
constexpr wchar_t kCopySecurity[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The shared Windows folder: under Terminal Services GetWindowsDirectoryW
// names a folder of the user's own.
std::wstring windows_folder(const PayloadCopyApi& api) {
  std::wstring folder(MAX_PATH, L'\0');
  const UINT length = api.get_system_windows_directory(folder.data(), MAX_PATH);
  check_step(length != 0, kCopyStep);
  // Windows lives in a folder shorter than MAX_PATH; a longer answer names none.
  if (length >= MAX_PATH) throw std::runtime_error(kCopyStep);
  folder.resize(length);
  if (folder.back() == L'\\') folder.pop_back();  // "C:\" when Windows is the root folder
  return folder;
}

// Unguessable, so that nobody can prepare the name (a link, a folder of their own) beforehand.
std::wstring random_name(const PayloadCopyApi& api) {
  std::array<UCHAR, 16> bytes{};
  if (!BCRYPT_SUCCESS(api.gen_random(nullptr, bytes.data(), bytes.size(), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    throw std::runtime_error(kCopyStep);  // bcrypt sets no last error
  const std::string hex = to_lower_hex(bytes);
  return L"lumetta-" + std::wstring(hex.begin(), hex.end());
}

PayloadCopy create_private_folder(const PayloadCopyApi& api, std::span<const PayloadFile> files) {
  const std::wstring folder = windows_folder(api) + L"\\Temp\\" + random_name(api);
  const win::SecurityDescriptor descriptor =
      win::security_descriptor(api.convert_security_descriptor, api.local_free, kCopySecurity);
  check_step(descriptor.valid(), kCopyStep);
  SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), FALSE};
  // Fails with ERROR_ALREADY_EXISTS for a name that exists: the copy always
  // lives in a folder that this run made, with this descriptor.
  check_step(api.create_directory(folder.c_str(), &security), kCopyStep);
  return PayloadCopy(folder, RemovePayloadCopy{&api, files});
}

// In chunks of the size that they were read in; a synchronous write to a disk
// file writes the whole chunk or fails.
void write_copy_file(const PayloadCopyApi& api, const std::wstring& path, const std::vector<UCHAR>& bytes) {
  win::FileHandle file(
      api.create_file(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
      api.close_handle);
  check_step(file.valid(), kCopyStep);
  for (std::size_t done = 0; done < bytes.size(); done += kPayloadReadChunk) {
    const auto size = static_cast<DWORD>(std::min(kPayloadReadChunk, bytes.size() - done));
    DWORD written = 0;
    check_step(api.write_file(file.get(), bytes.data() + done, size, &written, nullptr), kCopyStep);
    if (written != size) throw std::runtime_error(kCopyStep);
  }
  check_step(file.close(), kCopyStep);
}

}  // namespace

BOOL RemovePayloadCopy::operator()(const std::wstring& folder) const {
  for (const PayloadFile& file : files) api->delete_file(win_path::join(folder, file.name).c_str());
  return api->remove_directory(folder.c_str());
}

PayloadCopy copy_verified_payload(const HeldPayload& held, const PayloadCopyApi& copy_api,
                                  const PayloadApi& trust_api, const PayloadManifest& manifest) {
  PayloadCopy copy = create_private_folder(copy_api, manifest.files);
  for (const HeldFile& file : held) write_copy_file(copy_api, win_path::join(copy.get(), file.name), file.bytes);
  // Nobody else can write the copy: its catalog is checked by the path that
  // the installation reads it from.
  if (check_catalog_signature(win_path::join(copy.get(), manifest.catalog), nullptr, trust_api) != 0)
    throw std::runtime_error("VB-CABLE catalog signature is not trusted");
  return copy;
}
