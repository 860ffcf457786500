// The update file's publisher check, after its digest and before it runs: a
// signed updater runs only what the publisher that signed it has signed.
#pragma once
#include <windows.h>

#include <string>

#include "updater/updater_api.h"

// True when this updater's image carries no signature (nothing is checked, and
// the update file is not touched), or when Windows trusts both this updater's
// own signature and the update file's, and their signer certificates have
// byte for byte the same encoded subject. update_file is rewound and read
// through; path only names it.
bool verify_update_publisher(HANDLE update_file, const std::wstring& update_path,
                             const TrustApi& api = real_trust_api());
