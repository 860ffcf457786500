#include "payload_api.h"

const PayloadApi& real_payload_api() {
  static const PayloadApi api{
      ::BCryptOpenAlgorithmProvider, ::BCryptCloseAlgorithmProvider, ::BCryptCreateHash, ::BCryptHashData,
      ::BCryptFinishHash,            ::BCryptDestroyHash,            ::WinVerifyTrust,
  };
  return api;
}
