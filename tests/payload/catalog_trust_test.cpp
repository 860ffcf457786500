// The catalog check against Wine's own WinVerifyTrust, with the test root
// in the prefix's machine Root store (test fixture payload_trust).
#include "driver_setup/payload/catalog_trust.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "common/unique_resource.h"

#include "tests/payload/fixture_path.h"
#include "tests/payload/payload_test_files.h"

namespace {

// A fresh copy of a generated catalog (none for a name that has none): a fault
// that writes what it checks must not poison the build's for later runs.
std::wstring fixture(const wchar_t* name) {
  static const TempFolder copies;
  std::error_code missing;
  std::filesystem::copy_file(payload_fixture(std::wstring(L"catalogs\\") + name), copies / name,
                             std::filesystem::copy_options::overwrite_existing, missing);
  return copies / name;
}

TEST(CatalogTrust, SignedByTheTrustedTestRootIsTrusted) {
  EXPECT_EQ(check_catalog_signature(fixture(L"trusted.cat")), 0);
}

TEST(CatalogTrust, RealNegativeAnswers) {
  EXPECT_EQ(check_catalog_signature(fixture(L"unsigned.cat")), LONG(TRUST_E_NOSIGNATURE));
  EXPECT_EQ(check_catalog_signature(fixture(L"untrusted.cat")), LONG(CERT_E_UNTRUSTEDROOT));
}

TEST(CatalogTrust, TamperedOrMissingIsRefused) {
  const LONG tampered = check_catalog_signature(fixture(L"tampered.cat"));
  const LONG missing = check_catalog_signature(fixture(L"missing.cat"));
  EXPECT_NE(tampered, 0);
  EXPECT_NE(missing, 0);
  if (!under_wine())
    GTEST_SKIP() << "the exact codes were measured under Wine; Windows documents only that neither is trusted";
  EXPECT_EQ(tampered, LONG(TRUST_E_CERT_SIGNATURE));
  EXPECT_EQ(missing, LONG(ERROR_FILE_NOT_FOUND));
}

TEST(CatalogTrust, PlainFileIsNoSubject) {
  TempFolder dir;
  write_text_file(dir / L"readme.txt", "not a catalog");
  EXPECT_EQ(check_catalog_signature(dir / L"readme.txt"), LONG(TRUST_E_SUBJECT_FORM_UNKNOWN));
}

// Which file WinVerifyTrust reads when it is given the handle of one catalog
// and the path of another. --verify gives both of the same file, so it works
// whichever wins; here the two answers must follow one rule, which is printed.
TEST(CatalogTrust, HandleAndPathOfTwoCatalogsFollowOneRule) {
  const std::wstring trusted = fixture(L"trusted.cat"), untrusted = fixture(L"untrusted.cat");
  const auto open = [](const std::wstring& path) {
    return win::FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr),
                           CloseHandle);
  };
  const LONG trusted_alone = check_catalog_signature(trusted), untrusted_alone = check_catalog_signature(untrusted);
  if (trusted_alone == untrusted_alone) GTEST_SKIP() << "both catalogs answer " << trusted_alone << " alone";
  const LONG trusted_handle = check_catalog_signature(untrusted, open(trusted).get());
  const LONG untrusted_handle = check_catalog_signature(trusted, open(untrusted).get());
  const bool handle_wins = trusted_handle == trusted_alone && untrusted_handle == untrusted_alone;
  const bool path_wins = trusted_handle == untrusted_alone && untrusted_handle == trusted_alone;
  EXPECT_TRUE(handle_wins || path_wins) << "trusted handle: " << trusted_handle
                                        << ", untrusted handle: " << untrusted_handle;
  std::cout << "WinVerifyTrust reads " << (handle_wins ? "the handle" : path_wins ? "the path" : "neither") << '\n';
  if (under_wine()) {
    EXPECT_TRUE(handle_wins) << "measured under Wine 8";
  }
}

}  // namespace
