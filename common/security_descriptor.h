// A security descriptor written in SDDL, for an object that a run creates.
#pragma once
#include <windows.h>
#include <sddl.h>

#include "common/unique_resource.h"

namespace win {

// ConvertStringSecurityDescriptorToSecurityDescriptorW's memory goes back
// through LocalFree, which answers NULL when it succeeds.
struct SecurityDescriptorKind : OwnerKind<PSECURITY_DESCRIPTOR, NullSentinel, decltype(&::LocalFree), NullIsSuccess> {};
using SecurityDescriptor = UniqueResource<SecurityDescriptorKind>;

// The descriptor that sddl describes; nothing owned (and the last error set)
// when Windows refuses the text.
inline SecurityDescriptor security_descriptor(
    decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorW) convert, decltype(&::LocalFree) local_free,
    const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!convert(sddl, SDDL_REVISION_1, &descriptor, nullptr)) descriptor = nullptr;
  return SecurityDescriptor(descriptor, local_free);
}

}  // namespace win
