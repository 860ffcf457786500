// Owners for bcrypt providers and hash objects; NULL is their sentinel.
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include "common/unique_resource.h"

namespace win {

// BCryptCloseAlgorithmProvider takes a flags word besides the handle.
struct CloseAlgorithmProvider {
  decltype(&::BCryptCloseAlgorithmProvider) close;
  void operator()(BCRYPT_ALG_HANDLE provider) const { close(provider, 0); }
};

using AlgorithmProvider = UniqueResource<BCRYPT_ALG_HANDLE, NullSentinel, CloseAlgorithmProvider>;
using HashObject = UniqueResource<BCRYPT_HASH_HANDLE, NullSentinel, decltype(&::BCryptDestroyHash)>;

}  // namespace win
