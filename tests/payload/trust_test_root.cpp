// Test tool: trust_test_root.exe CERT.der adds the certificate to the local
// machine's Root store of the current prefix. Exit 0 when it is there.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/unique_resource.h"

namespace {

struct CloseStore {
  BOOL operator()(HCERTSTORE store) const { return CertCloseStore(store, 0); }
};
struct CertStoreKind : win::OwnerKind<HCERTSTORE, win::NullSentinel, CloseStore, win::NonzeroIsSuccess> {};
using CertStore = win::UniqueResource<CertStoreKind>;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<BYTE> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CertStore root(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"), {});
  if (der.empty() || !root.valid()) {
    std::printf("cannot read the certificate or open the Root store (error %lu)\n", GetLastError());
    return 1;
  }
  if (!CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::printf("CertAddEncodedCertificateToStore failed (error %lu)\n", GetLastError());
    return 1;
  }
  return 0;
}
