// The package folder's check: every manifest file's digest, then the catalog's signature.
#pragma once
#include <string>

#include "driver_setup/payload/payload_api.h"
#include "driver_setup/payload/payload_manifest.h"

// Returns when the folder passes. Raises at the first failure: a hashing
// message, "Driver payload hash mismatch" or "VB-CABLE catalog signature is not trusted".
void verify_payload(const std::wstring& folder, const PayloadApi& api = real_payload_api(),
                    const PayloadManifest& manifest = payload_manifest());
