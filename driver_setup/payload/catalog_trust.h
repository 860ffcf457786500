// Whether Windows trusts the signature of the package's catalog file.
#pragma once
#include <windows.h>
#include <wintrust.h>

#include <cstddef>
#include <string>

#include "driver_setup/payload/payload_api.h"

// WINTRUST_DATA as Windows declares it today. MinGW's declaration stops before
// pSignatureSettings (80 bytes), so Windows would read cbStruct as an older layout.
struct TrustData {
  DWORD cbStruct;
  LPVOID pPolicyCallbackData;
  LPVOID pSIPClientData;
  DWORD dwUIChoice;
  DWORD fdwRevocationChecks;
  DWORD dwUnionChoice;
  WINTRUST_FILE_INFO* pFile;
  DWORD dwStateAction;
  HANDLE hWVTStateData;
  WCHAR* pwszURLReference;
  DWORD dwProvFlags;
  DWORD dwUIContext;
  void* pSignatureSettings;
};

static_assert(sizeof(TrustData) == 88);
static_assert(sizeof(WINTRUST_FILE_INFO) == 32);
static_assert(offsetof(TrustData, dwUIContext) == offsetof(WINTRUST_DATA, dwUIContext));
static_assert(offsetof(TrustData, pSignatureSettings) == sizeof(WINTRUST_DATA));

// {00AAC56B-CD44-11D0-8CC2-00C04FC295EE}
inline constexpr GUID kGenericVerifyV2 = {
    0x00aac56b, 0xcd44, 0x11d0, {0x8c, 0xc2, 0x00, 0xc0, 0x4f, 0xc2, 0x95, 0xee}};

// Returns what WinVerifyTrust answered for the file; 0 alone means trusted.
// With an open handle of the file, Windows checks what that handle reads, and
// the path only names it; without one, Windows opens the path itself. The
// verify call's state is released by a close call whatever it answered.
LONG check_catalog_signature(const std::wstring& catalog_path, HANDLE catalog = nullptr,
                             const PayloadApi& api = real_payload_api());
