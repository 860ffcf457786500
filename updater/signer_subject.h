// The publisher named by a file's Authenticode signature: the subject of the
// certificate that signed it, as that certificate encodes it.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "updater/updater_api.h"

using SubjectName = std::vector<BYTE>;

// No network during the check: revocation and certificates come from what the
// machine already holds, so that an offline machine can still update.
inline constexpr DWORD kSignatureProviderFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;

// The encoded subject of the signer certificate when WinVerifyTrust trusts the
// file's signature; nothing otherwise, nor when the signer names no subject.
// The file is read through file from its current position.
std::optional<SubjectName> trusted_signer_subject(const TrustApi& api, const std::wstring& path, HANDLE file);
