// The entries' first step. Both programs may run elevated from a folder that
// the user can write, with paths that an unprivileged program prepared: what
// they load and where their writes land is settled before anything else runs.
#pragma once
#include <windows.h>

#include "common/unique_resource.h"

namespace win {

struct HardeningApi {
  decltype(&::SetDefaultDllDirectories) set_default_dll_directories;
  decltype(&::SetProcessMitigationPolicy) set_process_mitigation_policy;
};

inline const HardeningApi& real_hardening_api() {
  static const HardeningApi api{::SetDefaultDllDirectories, ::SetProcessMitigationPolicy};
  return api;
}

// Every later load, by this program or by the system components it uses
// (trust providers, class installers, theme libraries), searches the system
// folder only. Then the redirection guard: this process no longer follows
// junctions that a non-administrator made, so a folder on the report's path
// replaced by one cannot send an elevated write into a protected place.
// Windows builds without the policy refuse it: the program then works as
// before, and the refusal leaves not even its error code behind.
inline void harden_process(const HardeningApi& api = real_hardening_api()) {
  api.set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY guard{};
  guard.EnforceRedirectionTrust = 1;
  LastErrorKeeper keep;
  api.set_process_mitigation_policy(ProcessRedirectionTrustPolicy, &guard, sizeof guard);
}

}  // namespace win
