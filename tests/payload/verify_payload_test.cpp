#include "driver_setup/payload/verify_payload.h"

#include <gtest/gtest.h>
#include <softpub.h>

#include <filesystem>

#include "tests/payload/fake_payload_api.h"
#include "tests/payload/payload_test_files.h"

namespace {

constexpr PayloadFile kFiles[] = {
    {L"alpha.sys", "8ed3f6ad685b959ead7022518e1af76cd816f8e8ec7ccdda1ed4018e8f2223f8"},
    {L"test.cat", "401d056a9e348c9b51c200f54a2a1609c23383f72cb41af44c97cbad5a91ae7e"},
    {L"beta.inf", "f44e64e75f3948e9f73f8dfa94721c4ce8cbb4f265c4790c702b2d41cfbf2753"},
};
const PayloadManifest kManifest{kFiles, L"test.cat"};

constexpr char kMismatch[] = "Driver payload hash mismatch";
constexpr char kUnreadable[] = "Cannot hash driver payload";
constexpr char kUntrusted[] = "VB-CABLE catalog signature is not trusted";

// A folder that passes the digests of kManifest; the trust answer comes from the fake.
class VerifyPayloadTest : public testing::Test {
 protected:
  void SetUp() override {
    write_text_file(dir / L"alpha.sys", "alpha");
    write_text_file(dir / L"test.cat", "catalog bytes");
    write_text_file(dir / L"beta.inf", "beta");
  }
  std::string verify() {
    return error_of([&] { verify_payload(dir.path().wstring(), fake.api(), kManifest); });
  }

  FakePayloadApi fake;
  TempFolder dir;
};

TEST_F(VerifyPayloadTest, PassesWhenEveryDigestMatchesAndTheCatalogIsTrusted) {
  std::filesystem::create_directory(dir / L"subfolder");
  write_text_file(dir / L"extra.dll", "not in the manifest");
  EXPECT_EQ(verify(), "(nothing raised)");
  EXPECT_EQ(fake.hashes_created, 3);  // the extra file is never opened
  EXPECT_EQ(fake.trust_calls.size(), 2u);
  EXPECT_EQ(fake.files_closed, 3);
}

TEST_F(VerifyPayloadTest, AsksForTheCatalogsSignatureExactlyAsDocumented) {
  ASSERT_EQ(verify(), "(nothing raised)");
  ASSERT_EQ(fake.trust_calls.size(), 2u);
  const TrustCall& check = fake.trust_calls[0];
  const GUID generic_verify_v2 = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  EXPECT_EQ(check.window, nullptr);
  EXPECT_TRUE(IsEqualGUID(check.action, generic_verify_v2));
  EXPECT_EQ(check.data.cbStruct, 88u);
  EXPECT_EQ(check.data.pPolicyCallbackData, nullptr);
  EXPECT_EQ(check.data.pSIPClientData, nullptr);
  EXPECT_EQ(check.data.dwUIChoice, DWORD{WTD_UI_NONE});
  EXPECT_EQ(check.data.fdwRevocationChecks, DWORD{WTD_REVOKE_NONE});
  EXPECT_EQ(check.data.dwUnionChoice, DWORD{WTD_CHOICE_FILE});
  EXPECT_EQ(check.data.dwStateAction, DWORD{WTD_STATEACTION_VERIFY});
  EXPECT_EQ(check.data.hWVTStateData, nullptr);
  EXPECT_EQ(check.data.pwszURLReference, nullptr);
  EXPECT_EQ(check.data.dwProvFlags, 0u);
  EXPECT_EQ(check.data.dwUIContext, 0u);
  EXPECT_EQ(check.data.pSignatureSettings, nullptr);
  EXPECT_EQ(check.file.cbStruct, 32u);
  EXPECT_EQ(check.file_path, dir / L"test.cat");
  // Through the handle that was hashed, given back at the start of the file.
  ASSERT_EQ(fake.opens.size(), 3u);
  EXPECT_EQ(fake.opens[1].path, dir / L"test.cat");
  EXPECT_EQ(check.file.hFile, fake.opens[1].handle);
  EXPECT_EQ(check.file_position, 0);
  EXPECT_EQ(check.file.pgKnownSubject, nullptr);

  // The close call gets the same three arguments and the state the check left.
  const TrustCall& close = fake.trust_calls[1];
  EXPECT_EQ(close.window, nullptr);
  EXPECT_TRUE(IsEqualGUID(close.action, generic_verify_v2));
  EXPECT_EQ(close.data_address, check.data_address);
  EXPECT_EQ(close.data.dwStateAction, DWORD{WTD_STATEACTION_CLOSE});
  EXPECT_NE(close.data.hWVTStateData, nullptr);
  EXPECT_EQ(fake.trust_states_closed, fake.trust_states_opened);
}

// Only 0 is trust: failures, and positive answers too, are refused; the state is freed each time.
TEST_F(VerifyPayloadTest, AnyAnswerButZeroIsUntrustedAndTheStateIsStillClosed) {
  for (const LONG answer : {LONG(TRUST_E_NOSIGNATURE), LONG(CERT_E_UNTRUSTEDROOT), LONG(TRUST_E_BAD_DIGEST),
                            LONG(ERROR_FILE_NOT_FOUND), LONG(1)}) {
    fake.trust_calls.clear();
    fake.trust_answer = answer;
    EXPECT_EQ(verify(), kUntrusted) << std::hex << answer;
    ASSERT_EQ(fake.trust_calls.size(), 2u);
    EXPECT_EQ(fake.trust_calls[1].data.dwStateAction, DWORD{WTD_STATEACTION_CLOSE});
  }
  EXPECT_EQ(fake.trust_states_closed, fake.trust_states_opened);
}

// A file that cannot be read is not a mismatch, and nothing reaches the signature.
TEST_F(VerifyPayloadTest, UnreadableFilesAreNotMismatches) {
  std::filesystem::remove(dir / L"beta.inf");
  EXPECT_EQ(verify(), kUnreadable);
  std::filesystem::remove(dir / L"alpha.sys");
  std::filesystem::create_directory(dir / L"alpha.sys");
  EXPECT_EQ(verify(), kUnreadable);
  EXPECT_TRUE(fake.trust_calls.empty());
}

// The first row in table order decides; an empty file is hashed and simply differs.
TEST_F(VerifyPayloadTest, FirstWrongRowDecidesBeforeTheSignature) {
  write_text_file(dir / L"alpha.sys", "");
  std::filesystem::remove(dir / L"beta.inf");
  fake.trust_answer = TRUST_E_NOSIGNATURE;
  EXPECT_EQ(verify(), kMismatch);
  EXPECT_EQ(fake.hashes_created, 1);  // later rows are not looked at
  EXPECT_TRUE(fake.trust_calls.empty());
}

TEST_F(VerifyPayloadTest, DigestsCompareWholeAndByCase) {
  constexpr PayloadFile upper[] = {{L"alpha.sys", "8ED3F6AD685B959EAD7022518E1AF76CD816F8E8EC7CCDDA1ED4018E8F2223F8"}};
  constexpr PayloadFile shorter[] = {{L"alpha.sys", "8ed3f6ad685b959ead7022518e1af76cd816f8e8ec7ccdda1ed4018e8f2223f"}};
  for (const PayloadManifest manifest : {PayloadManifest{upper, L"alpha.sys"}, PayloadManifest{shorter, L"alpha.sys"}})
    EXPECT_EQ(error_of([&] { verify_payload(dir.path().wstring(), fake.api(), manifest); }), kMismatch);
}

// The catalog's signature is read only from the start of the handle its digest
// came from: no handle at the start, or no catalog among the files, no trust.
TEST_F(VerifyPayloadTest, CatalogThatCannotBeReadFromItsStartIsUntrusted) {
  fake.rewind_fails = true;
  EXPECT_EQ(verify(), kUntrusted);
  EXPECT_TRUE(fake.trust_calls.empty());
  fake.rewind_fails = false;
  const PayloadManifest without_catalog{std::span(kFiles).first(1), L"test.cat"};
  EXPECT_EQ(error_of([&] { verify_payload(dir.path().wstring(), fake.api(), without_catalog); }), kUntrusted);
  EXPECT_TRUE(fake.trust_calls.empty());
}

}  // namespace
