// The package folder's check: every manifest file's digest, then the catalog's signature.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/unique_resource.h"
#include "driver_setup/payload/payload_api.h"
#include "driver_setup/payload/payload_manifest.h"

// A package file held for the installation: still open on the handle that was
// hashed, with exactly the bytes that this handle read.
struct HeldFile {
  std::wstring_view name;  // the manifest's
  win::FileHandle file;
  std::vector<UCHAR> bytes;
};
// The manifest's files, in its order.
using HeldPayload = std::vector<HeldFile>;

// Returns when the folder passes. Raises at the first failure: a hashing
// message, "Driver payload hash mismatch" or "VB-CABLE catalog signature is not
// trusted". Other programs may read and write the files meanwhile; nothing
// stays open.
void verify_payload(const std::wstring& folder, const PayloadApi& api = real_payload_api(),
                    const PayloadManifest& manifest = payload_manifest());

// The same check for an installation: each file is opened once, shared for
// reading only, and stays so until the returned handles are released, so that
// nobody can write, rename or delete what was checked. What each handle read
// is kept in memory (the package's size), so that the installation's copy is
// written from the bytes that were hashed. A file that another program holds
// open for writing cannot be opened so: "Cannot hash driver payload".
[[nodiscard]] HeldPayload hold_verified_payload(const std::wstring& folder, const PayloadApi& api = real_payload_api(),
                                                const PayloadManifest& manifest = payload_manifest());
