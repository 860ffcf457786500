// One WinVerifyTrust check of the Authenticode signature embedded in a file,
// and the state that Windows keeps for it until a close call releases it.
#pragma once
#include <windows.h>
#include <wintrust.h>

#include <cstddef>
#include <string>

#include "common/unique_resource.h"

namespace win {

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

// Every verify call's state must be released by a close call with the same data.
struct CloseTrustState {
  decltype(&::WinVerifyTrust) verify;
  LONG operator()(TrustData* data) const {
    data->dwStateAction = WTD_STATEACTION_CLOSE;
    GUID action = kGenericVerifyV2;
    return verify(nullptr, &action, data);
  }
};
struct ZeroIsSuccess {  // WinVerifyTrust: only 0 is success
  static bool succeeded(LONG result) { return result == 0; }
};
struct TrustStateKind : OwnerKind<TrustData*, NullSentinel, CloseTrustState, ZeroIsSuccess> {};
using TrustState = UniqueResource<TrustStateKind>;

// Verifies at construction, without UI and without revocation checks of its
// own; provider_flags go to dwProvFlags. With an open handle of the file,
// Windows checks what that handle reads from its current position, and the
// path only names it. The signer's data stays readable through state_data()
// until the object is destroyed; path must live as long.
class EmbeddedSignature {
 public:
  EmbeddedSignature(decltype(&::WinVerifyTrust) verify, const std::wstring& path, HANDLE file, DWORD provider_flags)
      : state_(&data_, {verify}) {
    file_.cbStruct = sizeof file_;
    file_.pcwszFilePath = path.c_str();
    file_.hFile = file;
    data_.cbStruct = sizeof data_;
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.dwProvFlags = provider_flags;
    GUID action = kGenericVerifyV2;
    verdict_ = verify(nullptr, &action, &data_);
  }
  EmbeddedSignature(const EmbeddedSignature&) = delete;
  EmbeddedSignature& operator=(const EmbeddedSignature&) = delete;

  // What WinVerifyTrust answered; 0 alone means trusted.
  LONG verdict() const { return verdict_; }
  HANDLE state_data() const { return data_.hWVTStateData; }

 private:
  WINTRUST_FILE_INFO file_{};
  TrustData data_{};
  LONG verdict_ = 0;
  TrustState state_;  // last: the close call runs while the structures above still exist
};

}  // namespace win
