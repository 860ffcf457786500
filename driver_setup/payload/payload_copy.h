// The package's private copy for the installation: the verified bytes,
// written into a new folder that only the system and administrators can open.
#pragma once
#include <windows.h>

#include <span>
#include <string>

#include "common/unique_resource.h"
#include "driver_setup/payload/payload_api.h"
#include "driver_setup/payload/payload_manifest.h"
#include "driver_setup/payload/verify_payload.h"

// Deletes the manifest's files from the copy's folder, then the folder. What
// cannot be deleted stays behind: a left copy is harmless (nobody else can
// change it) and its random name is never met again.
struct RemovePayloadCopy {
  const PayloadCopyApi* api;
  std::span<const PayloadFile> files;
  BOOL operator()(const std::wstring& folder) const;
};
// Holds the copy's folder; an empty path owns nothing.
struct PayloadCopyKind : win::OwnerKind<std::wstring, win::NullSentinel, RemovePayloadCopy, win::NonzeroIsSuccess> {};
using PayloadCopy = win::UniqueResource<PayloadCopyKind>;

// Creates "<shared Windows folder>\Temp\lumetta-<32 random hex digits>" with
// only SYSTEM and Administrators let in (owner: Administrators; nothing
// inherited from Temp), writes every held file into it from the bytes that
// were hashed, and checks the copy's catalog by its path. Only an
// administrator can do this. Raises "Cannot copy driver payload" (with the
// Windows error where a call set one) or "VB-CABLE catalog signature is not
// trusted"; whatever was made by then is removed again.
PayloadCopy copy_verified_payload(const HeldPayload& held, const PayloadCopyApi& copy_api = real_payload_copy_api(),
                                  const PayloadApi& trust_api = real_payload_api(),
                                  const PayloadManifest& manifest = payload_manifest());
