// The catalog check against Wine's own WinVerifyTrust, with the test root
// in the prefix's machine Root store (test fixture payload_trust).
#include "driver_setup/payload/catalog_trust.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/payload/payload_test_files.h"

namespace {

std::wstring fixture(const wchar_t* name) {
  const std::string unix_dir = PAYLOAD_FIXTURE_DIR;
  return L"Z:" + std::wstring(unix_dir.begin(), unix_dir.end()) + L"/catalogs/" + name;
}

TEST(CatalogTrust, SignedByTheTrustedTestRootIsTrusted) {
  EXPECT_EQ(check_catalog_signature(fixture(L"trusted.cat")), 0);
}

TEST(CatalogTrust, RealNegativeAnswers) {
  EXPECT_EQ(check_catalog_signature(fixture(L"unsigned.cat")), LONG(TRUST_E_NOSIGNATURE));
  EXPECT_EQ(check_catalog_signature(fixture(L"tampered.cat")), LONG(TRUST_E_CERT_SIGNATURE));
  EXPECT_EQ(check_catalog_signature(fixture(L"untrusted.cat")), LONG(CERT_E_UNTRUSTEDROOT));
  EXPECT_EQ(check_catalog_signature(fixture(L"missing.cat")), LONG(ERROR_FILE_NOT_FOUND));
}

TEST(CatalogTrust, PlainFileIsNoSubject) {
  TempFolder dir;
  write_text_file(dir / L"readme.txt", "not a catalog");
  EXPECT_EQ(check_catalog_signature(dir / L"readme.txt"), LONG(TRUST_E_SUBJECT_FORM_UNKNOWN));
}

}  // namespace
