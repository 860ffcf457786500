// Test tool: signature_verdict.exe FILE prints what WinVerifyTrust with the
// generic Authenticode action answers for the file's embedded signature, as
// 0x%08lx; exit 0 when that is 0 (trusted).
#include <cstdio>

#include "driver_setup/payload/catalog_trust.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const LONG verdict = check_catalog_signature(argv[1]);
  std::printf("0x%08lx\n", static_cast<unsigned long>(verdict));
  return verdict == 0 ? 0 : 1;
}
