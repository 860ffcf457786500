// What both entries do first. Wine's policy call is a stub that accepts
// anything and changes nothing, and Wine has no junctions: the guard itself
// shows only on Windows, where the check kit reads it off a running
// driver_setup. tests/integration/binaries.sh checks that both programs import
// the two calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/process_hardening.h"

namespace {

struct Asked {
  std::vector<std::string> calls;
  DWORD search = 0;
  int policy = -1;
  DWORD flags = ~0u;
  SIZE_T size = 0;
  bool refuse = false;
} g;

BOOL WINAPI fake_set_search(DWORD flags) {
  g.calls.push_back("SetDefaultDllDirectories");
  g.search = flags;
  return TRUE;
}

// A Windows build that lacks the policy refuses it as an invalid parameter.
BOOL WINAPI fake_set_policy(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T size) {
  g.calls.push_back("SetProcessMitigationPolicy");
  g.policy = policy;
  g.size = size;
  g.flags = static_cast<const PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY*>(buffer)->Flags;
  if (!g.refuse) return TRUE;
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

TEST(HardenProcess, RestrictsTheLibrarySearchThenEnforcesRedirectionTrustRefusedOrNot) {
  for (const bool refuse : {false, true}) {
    g = Asked{};
    g.refuse = refuse;
    SetLastError(0xdeadbeef);
    EXPECT_NO_THROW(win::harden_process({fake_set_search, fake_set_policy}));
    EXPECT_EQ(g.calls, (std::vector<std::string>{"SetDefaultDllDirectories", "SetProcessMitigationPolicy"}));
    EXPECT_EQ(g.search, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_EQ(g.policy, ProcessRedirectionTrustPolicy);
    EXPECT_EQ(g.size, 4u);
    EXPECT_EQ(g.flags, 1u);  // EnforceRedirectionTrust alone, not the audit-only mode
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << "refused: " << refuse;
  }
}

}  // namespace
