// The digest check on real files under the platform's own SHA-256 and
// ReadFile, with counted provider, hash and read calls.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/updater/fake_digest.h"
#include "updater/file_digest.h"

namespace {

// Bytes that repeat neither per chunk nor per power of two; digests by an independent tool.
std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + 7) % 251);
  return bytes;
}

constexpr wchar_t kEmptyDigest[] = L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr wchar_t kOneChunkDigest[] = L"c2a19b29e9a734066ffb748d00176ca95e52545a0b0afe9e73f085740aeb97f8";
constexpr wchar_t kChunkAndOneDigest[] = L"186ecbca9e96dd4161bddd2a1b83578f69841c33036c83244c72e9d7ee1fd058";
constexpr wchar_t kThreeMegabytesDigest[] = L"0c413e80a4d8c904546482f7a4208a5f7f9504468c13f354d30016696ebd9eb2";
constexpr wchar_t kAbcDigest[] = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr wchar_t kThreeChunksDigest[] = L"084bc66093e88385caacac5676ce1be14ba1e8930456eac1062ecc820071b237";
constexpr size_t kThreeMegabytes = 3 * 1048576 + 5;

std::wstring upper(std::wstring text) {
  for (auto& c : text) c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
  return text;
}

// A real file in the temporary folder, written with the content and then
// open for reading at its start the way the updater opens it.
class DigestFileTest : public testing::Test {
 protected:
  void TearDown() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    DeleteFileW(path_.c_str());
    EXPECT_TRUE(fake.balanced());
  }

  HANDLE open_with(const std::string& content) {
    EXPECT_EQ(file_, INVALID_HANDLE_VALUE) << "one file per test";
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"dig", 0, name);
    path_ = name;
    const HANDLE out = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(out, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    CloseHandle(out);
    file_ = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file_, INVALID_HANDLE_VALUE);
    return file_;
  }

  LONGLONG position() const {
    LARGE_INTEGER at{};
    EXPECT_TRUE(SetFilePointerEx(file_, LARGE_INTEGER{}, &at, FILE_CURRENT));
    return at.QuadPart;
  }

  bool verify(std::wstring_view expected) { return verify_file_digest(file_, expected, fake.api()); }

  FakeDigest fake;

 private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

TEST_F(DigestFileTest, EmptyFileIsTheEmptyMessage) {
  open_with("");
  EXPECT_TRUE(verify(kEmptyDigest));
  EXPECT_EQ(fake.read_sizes, std::vector<DWORD>{65536});
  EXPECT_TRUE(fake.hashed_sizes.empty());
}

TEST_F(DigestFileTest, WholeChunkIsFollowedByAnEmptyRead) {
  open_with(pattern(65536));
  EXPECT_TRUE(verify(kOneChunkDigest));
  EXPECT_EQ(fake.hashed_sizes, std::vector<ULONG>{65536});
  EXPECT_EQ(fake.reads, 2);
}

TEST_F(DigestFileTest, OneByteOverAChunkIsHashedAsChunkAndByte) {
  open_with(pattern(65537));
  EXPECT_TRUE(verify(kChunkAndOneDigest));
  EXPECT_EQ(fake.hashed_sizes, (std::vector<ULONG>{65536, 1}));
  EXPECT_EQ(fake.read_sizes, (std::vector<DWORD>{65536, 65536, 65536}));
}

TEST_F(DigestFileTest, FileOfMegabytesIsStreamedInChunks) {
  open_with(pattern(kThreeMegabytes));
  EXPECT_TRUE(verify(kThreeMegabytesDigest));
  EXPECT_EQ(fake.reads, 48 + 1 + 1);  // 48 whole chunks, 5 bytes, the end
}

TEST_F(DigestFileTest, DigestInUpperCaseDoesNotMatch) {
  const HANDLE file = open_with(pattern(65537));
  EXPECT_FALSE(verify(upper(kChunkAndOneDigest)));
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN));
  EXPECT_TRUE(verify(kChunkAndOneDigest));
}

TEST_F(DigestFileTest, WrongLengthIsRefusedWithoutReadingOrHashing) {
  LARGE_INTEGER three{};
  three.QuadPart = 3;
  ASSERT_TRUE(SetFilePointerEx(open_with("xyzabc"), three, nullptr, FILE_BEGIN));
  const std::wstring digest = kAbcDigest;
  EXPECT_FALSE(verify(digest.substr(0, 63)));
  EXPECT_FALSE(verify(digest + L"0"));
  EXPECT_FALSE(verify(L""));
  EXPECT_EQ(fake.reads, 0);
  EXPECT_EQ(fake.providers_opened, 0);
  EXPECT_EQ(position(), 3);
  // Reading starts where the caller left the handle.
  EXPECT_TRUE(verify(digest));
}

TEST_F(DigestFileTest, HandleStaysOpenAndUsableWhateverTheResult) {
  const HANDLE file = open_with("abc");
  EXPECT_FALSE(verify(std::wstring(64, L'0')));
  EXPECT_EQ(position(), 3);  // read to the end, never sought back
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN));
  EXPECT_TRUE(verify(kAbcDigest));
  char byte = 0;
  DWORD read = 0;
  ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN));
  EXPECT_TRUE(ReadFile(file, &byte, 1, &read, nullptr));
  EXPECT_EQ(byte, 'a');
}

// In the middle, and at the read that should report the end after every byte
// was hashed: there the digest would match, and only the error tells.
TEST_F(DigestFileTest, ReadErrorFailsWhateverWasHashedBefore) {
  const HANDLE file = open_with(pattern(3 * 65536));
  ASSERT_TRUE(verify(kThreeChunksDigest));
  for (const int failing : {1, 3}) {
    ASSERT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN));
    fake.hashed_sizes.clear();
    fake.failing_read = fake.reads + failing;
    EXPECT_FALSE(verify(kThreeChunksDigest)) << failing;
    EXPECT_EQ(fake.hashed_sizes, std::vector<ULONG>(failing, 65536)) << failing;
    EXPECT_EQ(fake.reads, fake.failing_read + 1) << failing;  // nothing read after the error
  }
}

TEST_F(DigestFileTest, HashObjectHasTheProvidersLengthAndEveryFlagIsZero) {
  BCRYPT_ALG_HANDLE provider = nullptr;
  ASSERT_TRUE(BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0)));
  ULONG length = 0, written = 0;
  BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&length), sizeof length, &written, 0);
  BCryptCloseAlgorithmProvider(provider, 0);

  open_with("abc");
  EXPECT_TRUE(verify(kAbcDigest));
  EXPECT_EQ(fake.created_object_length, length);
  EXPECT_TRUE(fake.created_with_buffer);
  EXPECT_FALSE(fake.created_with_secret);
  EXPECT_EQ(fake.flags_seen, std::vector<ULONG>(fake.flags_seen.size(), 0));
  EXPECT_EQ(fake.providers_opened, 1);
  EXPECT_EQ(fake.hashes_created, 1);
}

TEST_F(DigestFileTest, ProviderWithoutObjectLengthGetsNoBuffer) {
  fake.reported_object_length = 0;
  open_with("abc");
  EXPECT_TRUE(verify(kAbcDigest));
  EXPECT_EQ(fake.created_object_length, 0u);
  EXPECT_FALSE(fake.created_with_buffer);
}

class DigestStepFailure : public DigestFileTest, public testing::WithParamInterface<DigestStep> {};

// Whatever fails, the answer is false and what was acquired is released.
TEST_P(DigestStepFailure, IsFalseAndReleasesEverything) {
  open_with("abc");
  fake.failing_step = GetParam();
  EXPECT_FALSE(verify(kAbcDigest));
  EXPECT_EQ(fake.providers_opened, GetParam() == DigestStep::open_provider ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Updater, DigestStepFailure,
                         testing::Values(DigestStep::open_provider, DigestStep::get_property,
                                         DigestStep::create_hash, DigestStep::hash_data, DigestStep::finish_hash));

}  // namespace
