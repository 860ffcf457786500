#include "driver_setup/payload/verify_payload.h"

#include <stdexcept>

#include "common/windows_path.h"
#include "driver_setup/payload/catalog_trust.h"
#include "driver_setup/payload/hash_file_sha256.h"

namespace {

// The catalog's signature, read through the handle its digest was taken from
// (none when the catalog is not among the files: nothing trustworthy to check).
// Hashing left that handle at the end of the file: Windows is given it at the start.
bool catalog_trusted(const std::wstring& path, HANDLE catalog, const PayloadApi& api) {
  return catalog && api.set_file_pointer_ex(catalog, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
         check_catalog_signature(path, catalog, api) == 0;
}

HeldPayload check_payload(const std::wstring& folder, DWORD share, bool keep_bytes, const PayloadApi& api,
                          const PayloadManifest& manifest) {
  HeldPayload held;
  held.reserve(manifest.files.size());
  HANDLE catalog = nullptr;
  // Digests first, in table order: a folder with a wrong file never reaches the signature.
  for (const PayloadFile& file : manifest.files) {
    HashedFile hashed = hash_payload_file(win_path::join(folder, file.name), share, api, keep_bytes);
    if (hashed.sha256 != file.sha256) throw std::runtime_error("Driver payload hash mismatch");
    if (file.name == manifest.catalog) catalog = hashed.file.get();
    held.push_back({file.name, std::move(hashed.file), std::move(hashed.bytes)});
  }
  if (!catalog_trusted(win_path::join(folder, manifest.catalog), catalog, api))
    throw std::runtime_error("VB-CABLE catalog signature is not trusted");
  return held;
}

}  // namespace

void verify_payload(const std::wstring& folder, const PayloadApi& api, const PayloadManifest& manifest) {
  // As a plain reader: a file that another program has open stays checkable.
  check_payload(folder, kPayloadShareWithWriters, false, api, manifest);
}

HeldPayload hold_verified_payload(const std::wstring& folder, const PayloadApi& api, const PayloadManifest& manifest) {
  return check_payload(folder, kPayloadShareWithReaders, true, api, manifest);
}
