#include <gtest/gtest.h>

#include <windows.h>

#include <type_traits>
#include <vector>

#include "common/bcrypt_owners.h"
#include "common/unique_resource.h"
#include "driver_setup/audio/audio_api.h"
#include "driver_setup/devices/device_api.h"
#include "updater/updater_api.h"

namespace {

// Owners of different kinds cannot stand in for each other.
template <typename T, typename... Rest>
constexpr bool all_distinct() {
  if constexpr (sizeof...(Rest) == 0) return true;
  else return (!std::is_same_v<T, Rest> && ...) && all_distinct<Rest...>();
}
static_assert(all_distinct<win::FileHandle, win::ProcessHandle, win::ProcessSnapshot, DeviceInfoSet, ArgumentArray,
                           win::AlgorithmProvider, win::HashObject, CoTaskMemString>());

std::vector<HANDLE> g_closed;

BOOL WINAPI record_close(HANDLE h) {
  g_closed.push_back(h);
  SetLastError(ERROR_INVALID_HANDLE);  // what a failing clean-up leaves behind
  return FALSE;
}

const auto kHandle = reinterpret_cast<HANDLE>(0x44);

class UniqueResourceTest : public testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueResourceTest, EachSentinelIsTheOnlyValueNotClosed) {
  { win::ProcessHandle none(nullptr, record_close); }
  { win::FileHandle none(INVALID_HANDLE_VALUE, record_close); }
  EXPECT_TRUE(g_closed.empty());
  // NULL is a real value for owners whose sentinel is INVALID_HANDLE_VALUE, and the reverse.
  { win::FileHandle zero(nullptr, record_close); }
  { win::ProcessHandle minus_one(INVALID_HANDLE_VALUE, record_close); }
  EXPECT_EQ(g_closed, (std::vector<HANDLE>{nullptr, INVALID_HANDLE_VALUE}));
}

TEST_F(UniqueResourceTest, ClosesOnceAndKeepsTheLastError) {
  {
    win::ProcessHandle owner(kHandle, record_close);
    win::ProcessHandle moved(std::move(owner));
    SetLastError(0xdeadbeef);
    moved.reset();
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(moved.valid());
  }
  EXPECT_EQ(g_closed, std::vector<HANDLE>{kHandle});
}

// Each close function's own way of saying it succeeded or failed.
BOOL WINAPI close_ok(HANDLE) { return TRUE; }
HLOCAL WINAPI local_free_ok(HLOCAL) { return nullptr; }
HLOCAL WINAPI local_free_fails(HLOCAL memory) { return memory; }
NTSTATUS WINAPI destroy_ok(BCRYPT_HASH_HANDLE) { return 0; }
NTSTATUS WINAPI destroy_fails(BCRYPT_HASH_HANDLE) { return static_cast<NTSTATUS>(0xC0000008); }  // INVALID_HANDLE
NTSTATUS WINAPI close_provider_informational(BCRYPT_ALG_HANDLE, ULONG) { return 0x40000000; }   // a success status
void WINAPI free_nothing(LPVOID) {}

TEST_F(UniqueResourceTest, CloseAnswersByItsCloseFunctionsConvention) {
  const auto args = reinterpret_cast<LPWSTR*>(0x50);
  const auto object = reinterpret_cast<void*>(0x60);
  EXPECT_TRUE(win::FileHandle(kHandle, close_ok).close());
  EXPECT_FALSE(win::FileHandle(kHandle, record_close).close());
  EXPECT_TRUE(ArgumentArray(args, local_free_ok).close());
  EXPECT_FALSE(ArgumentArray(args, local_free_fails).close());
  EXPECT_TRUE(win::HashObject(object, destroy_ok).close());
  EXPECT_FALSE(win::HashObject(object, destroy_fails).close());
  EXPECT_TRUE(win::AlgorithmProvider(object, {close_provider_informational}).close());
  EXPECT_TRUE(CoTaskMemString(static_cast<LPWSTR>(object), free_nothing).close());
  EXPECT_FALSE(win::FileHandle(INVALID_HANDLE_VALUE, close_ok).close());  // nothing held, nothing closed
}

}  // namespace
