#include "driver_setup/payload/hash_file_sha256.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/payload/fake_payload_api.h"
#include "tests/payload/payload_test_files.h"

namespace {

constexpr char kEmptyDigest[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// Known answers (sha256sum of the same pattern bytes) on both sides of every chunk edge.
TEST(HashFileSha256, MatchesKnownDigestsAcrossChunkEdges) {
  const struct {
    std::size_t size;
    const char* digest;
  } cases[] = {
      {0, kEmptyDigest},
      {1, "9d1e0e2d9459d06523ad13e28a4093c2316baafe7aec5b25f30eba2e113599c4"},
      {65535, "e41779eff2a2388c82c03fe51f20c8cb81cc92342e21e7e4a1a0c841cbede333"},
      {65536, "89ec97368e6d3fea139cf48bc9a1609aa22496526f0c54773c8bb9a402654b37"},
      {65537, "1f7745d912b0047bd49d650acb9f08670b8c796be8a47cbfab68248c81818dbe"},
      {5 * 1048576 + 3, "588e7ad9110c58a3ed09d160df672f7d70b08b4b81ca6f215779685568ee95c7"},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    const std::wstring path = dir / (L"pattern" + std::to_wstring(c.size));
    write_pattern_file(path, c.size);
    EXPECT_EQ(hash_file_sha256(path), c.digest) << c.size << " bytes";
    EXPECT_TRUE(opens_exclusively(path)) << "still open after hashing " << c.size << " bytes";
  }
}

TEST(HashFileSha256, UnreadableNamesCannotBeHashed) {
  TempFolder dir;
  std::filesystem::create_directory(dir / L"folder");
  for (const std::wstring& path : {dir / L"missing.sys", dir / L"folder", dir / L"no\\such\\folder\\file", std::wstring()})
    EXPECT_EQ(error_of([&] { hash_file_sha256(path); }), "Cannot hash driver payload") << path.size();
}

// Another program writing the file at the same time does not stop the digest.
TEST(HashFileSha256, SharesTheFileWithWriters) {
  TempFolder dir;
  const std::wstring path = dir / L"busy.inf";
  write_text_file(path, "alpha");
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(hash_file_sha256(path), "8ed3f6ad685b959ead7022518e1af76cd816f8e8ec7ccdda1ed4018e8f2223f8");
  CloseHandle(writer);
}

class HashThroughFakes : public testing::Test {
 protected:
  std::string hash_error(std::size_t size) {
    write_pattern_file(path, size);
    return error_of([&] { hash_file_sha256(path, fake.api()); });
  }
  void expect_all_released() const {
    EXPECT_EQ(fake.providers_closed, fake.providers_opened);
    EXPECT_EQ(fake.hashes_destroyed, fake.hashes_created);
    EXPECT_TRUE(opens_exclusively(path));
  }

  FakePayloadApi fake;
  TempFolder dir;
  const std::wstring path = dir / L"file.sys";
};

TEST_F(HashThroughFakes, AsksForTheDefaultSha256WithoutACallerBuffer) {
  write_pattern_file(path, 65536);
  EXPECT_EQ(hash_file_sha256(path, fake.api()), "89ec97368e6d3fea139cf48bc9a1609aa22496526f0c54773c8bb9a402654b37");
  EXPECT_EQ(fake.algorithm, L"SHA256");
  EXPECT_TRUE(fake.default_implementation);
  EXPECT_EQ(fake.open_flags, 0u);
  EXPECT_FALSE(fake.caller_hash_buffer);
  EXPECT_EQ(fake.finish_length, 32u);
  // An exact multiple of the chunk ends on a read of 0 bytes, which is hashed too.
  EXPECT_EQ(fake.chunk_sizes, (std::vector<ULONG>{65536, 0}));
  EXPECT_EQ(fake.providers_opened, 1);
  EXPECT_EQ(fake.hashes_created, 1);
  expect_all_released();
}

TEST_F(HashThroughFakes, EmptyFileIsOneEmptyChunk) {
  write_pattern_file(path, 0);
  EXPECT_EQ(hash_file_sha256(path, fake.api()), kEmptyDigest);
  EXPECT_EQ(fake.chunk_sizes, (std::vector<ULONG>{0}));
}

// Failures before the file is read: nothing is read, and what was acquired is released.
TEST_F(HashThroughFakes, SetupFailuresReadNothing) {
  fake.open_status = static_cast<NTSTATUS>(0xC0000225);  // STATUS_NOT_FOUND
  EXPECT_EQ(hash_error(10), "SHA256 unavailable");
  EXPECT_EQ(fake.providers_opened, 0);
  fake.open_status = 0;
  fake.create_status = static_cast<NTSTATUS>(0xC0000017);  // STATUS_NO_MEMORY
  EXPECT_EQ(hash_error(10), "SHA256 initialization failed");
  EXPECT_EQ(fake.providers_opened, 1);
  EXPECT_EQ(fake.hashes_created, 0);
  EXPECT_TRUE(fake.chunk_sizes.empty());
  expect_all_released();
}

// A refused chunk fails the digest, but the file is still read to its end;
// a read error ends it there.
TEST_F(HashThroughFakes, FailureMidFileReadsOnAndReleasesEverything) {
  fake.failing_hash_data_call = 2;
  EXPECT_EQ(hash_error(2 * 65536 + 5), "Cannot hash driver payload");
  EXPECT_EQ(fake.chunk_sizes, (std::vector<ULONG>{65536, 65536, 5, 0}));
  EXPECT_EQ(fake.finish_length, 32u);
  EXPECT_EQ(fake.hashes_created, 1);
  expect_all_released();
  fake.failing_hash_data_call = 0;
  fake.chunk_sizes.clear();
  fake.reads = 0;
  fake.failing_read_call = 2;
  EXPECT_EQ(hash_error(2 * 65536 + 5), "Cannot hash driver payload");
  EXPECT_EQ(fake.chunk_sizes, (std::vector<ULONG>{65536}));
  EXPECT_EQ(fake.files_closed, 2);
  expect_all_released();
}

TEST_F(HashThroughFakes, FinishFailureReleasesEverything) {
  fake.finish_status = static_cast<NTSTATUS>(0xC0000023);  // STATUS_BUFFER_TOO_SMALL
  EXPECT_EQ(hash_error(100), "Cannot hash driver payload");
  EXPECT_EQ(fake.hashes_created, 1);
  expect_all_released();
}

TEST_F(HashThroughFakes, MissingFileStillReleasesTheHash) {
  EXPECT_EQ(error_of([&] { hash_file_sha256(dir / L"missing.sys", fake.api()); }), "Cannot hash driver payload");
  EXPECT_TRUE(fake.chunk_sizes.empty());
  EXPECT_EQ(fake.hashes_created, 1);
  EXPECT_EQ(fake.hashes_destroyed, 1);
  EXPECT_EQ(fake.providers_closed, 1);
}

}  // namespace
