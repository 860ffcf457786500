#include "driver_setup/payload/verify_payload.h"

#include <stdexcept>

#include "driver_setup/payload/catalog_trust.h"
#include "driver_setup/payload/hash_file_sha256.h"
#include "driver_setup/payload/payload_path.h"

void verify_payload(const std::wstring& folder, const PayloadApi& api, const PayloadManifest& manifest) {
  // Digests first, in table order: a folder with a wrong file never reaches the signature.
  for (const PayloadFile& file : manifest.files) {
    if (hash_file_sha256(join_payload_path(folder, file.name), api) != file.sha256)
      throw std::runtime_error("Driver payload hash mismatch");
  }
  if (check_catalog_signature(join_payload_path(folder, manifest.catalog), api) != 0)
    throw std::runtime_error("VB-CABLE catalog signature is not trusted");
}
