// The package folder's check: every manifest file's digest, then the catalog's signature.
#pragma once
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "driver_setup/payload/payload_api.h"
#include "driver_setup/payload/payload_manifest.h"

// The manifest's files, in its order, each still open on the handle that was hashed.
using HeldPayload = std::vector<win::FileHandle>;

// Returns when the folder passes. Raises at the first failure: a hashing
// message, "Driver payload hash mismatch" or "VB-CABLE catalog signature is not
// trusted". Other programs may read and write the files meanwhile; nothing
// stays open.
void verify_payload(const std::wstring& folder, const PayloadApi& api = real_payload_api(),
                    const PayloadManifest& manifest = payload_manifest());

// The same check for an installation: each file is opened once, shared for
// reading only, and stays so until the returned handles are released, so that
// nobody can write, rename or delete what was checked before the driver
// installation has read it. A file that another program holds open for
// writing cannot be opened so: "Cannot hash driver payload".
[[nodiscard]] HeldPayload hold_verified_payload(const std::wstring& folder, const PayloadApi& api = real_payload_api(),
                                                const PayloadManifest& manifest = payload_manifest());
