// Whether Windows trusts the signature of the package's catalog file.
#pragma once
#include <windows.h>

#include <string>

#include "common/authenticode.h"
#include "driver_setup/payload/payload_api.h"

using win::TrustData;

// Returns what WinVerifyTrust answered for the file; 0 alone means trusted.
// With an open handle of the file, Windows checks what that handle reads, and
// the path only names it; without one, Windows opens the path itself. The
// verify call's state is released by a close call whatever it answered.
LONG check_catalog_signature(const std::wstring& catalog_path, HANDLE catalog = nullptr,
                             const PayloadApi& api = real_payload_api());
