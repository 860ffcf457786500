#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "common/unique_resource.h"

namespace {

std::vector<HANDLE> g_closed;

BOOL WINAPI record_close(HANDLE h) {
  g_closed.push_back(h);
  SetLastError(ERROR_INVALID_HANDLE);  // what a failing clean-up leaves behind
  return FALSE;
}

using NullOwner = win::UniqueResource<HANDLE, win::NullSentinel, decltype(&record_close)>;
using FileOwner = win::UniqueResource<HANDLE, win::InvalidHandleSentinel, decltype(&record_close)>;
const auto kHandle = reinterpret_cast<HANDLE>(0x44);

class UniqueResourceTest : public testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueResourceTest, EachSentinelIsTheOnlyValueNotClosed) {
  { NullOwner none(nullptr, record_close); }
  { FileOwner none(INVALID_HANDLE_VALUE, record_close); }
  EXPECT_TRUE(g_closed.empty());
  // NULL is a real value for owners whose sentinel is INVALID_HANDLE_VALUE, and the reverse.
  { FileOwner zero(nullptr, record_close); }
  { NullOwner minus_one(INVALID_HANDLE_VALUE, record_close); }
  EXPECT_EQ(g_closed, (std::vector<HANDLE>{nullptr, INVALID_HANDLE_VALUE}));
}

TEST_F(UniqueResourceTest, ClosesOnceAndKeepsTheLastError) {
  {
    NullOwner owner(kHandle, record_close);
    NullOwner moved(std::move(owner));
    SetLastError(0xdeadbeef);
    moved.reset();
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
    EXPECT_FALSE(moved.valid());
  }
  EXPECT_EQ(g_closed, std::vector<HANDLE>{kHandle});
}

}  // namespace
