// Owners for bcrypt providers and hash objects; NULL is their sentinel.
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include "common/unique_resource.h"

namespace win {

// bcrypt's closes answer an NTSTATUS, which succeeded when it is not negative.
struct StatusIsSuccess {
  static bool succeeded(NTSTATUS status) { return BCRYPT_SUCCESS(status); }
};

// BCryptCloseAlgorithmProvider takes a flags word besides the handle.
struct CloseAlgorithmProvider {
  decltype(&::BCryptCloseAlgorithmProvider) close;
  NTSTATUS operator()(BCRYPT_ALG_HANDLE provider) const { return close(provider, 0); }
};

struct AlgorithmProviderKind : OwnerKind<BCRYPT_ALG_HANDLE, NullSentinel, CloseAlgorithmProvider, StatusIsSuccess> {};
struct HashObjectKind : OwnerKind<BCRYPT_HASH_HANDLE, NullSentinel, decltype(&::BCryptDestroyHash), StatusIsSuccess> {};
using AlgorithmProvider = UniqueResource<AlgorithmProviderKind>;
using HashObject = UniqueResource<HashObjectKind>;

}  // namespace win
