#include "tests/unit/fake_lock.h"

#include <gtest/gtest.h>

namespace {

FakeLock* g_current = nullptr;
const auto kFakeMutex = reinterpret_cast<HANDLE>(0x3c4);

FakeLock& fake(const char* call) {
  g_current->calls.push_back(call);
  return *g_current;
}

HLOCAL WINAPI counted_free(HLOCAL memory) {
  ++g_current->descriptors_freed;
  return LocalFree(memory);
}

HANDLE WINAPI fake_create(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name, DWORD flags, DWORD access) {
  FakeLock& f = fake("CreateMutexExW");
  f.name = name;
  f.descriptors_given += attributes && attributes->lpSecurityDescriptor && IsValidSecurityDescriptor(attributes->lpSecurityDescriptor);
  EXPECT_EQ(flags, 0u);  // not owned at creation: ownership comes from the wait
  EXPECT_TRUE(access & SYNCHRONIZE);
  if (f.create_error) {
    SetLastError(f.create_error);
    return nullptr;
  }
  SetLastError(ERROR_ALREADY_EXISTS);  // the other run made it: still success
  return kFakeMutex;
}

DWORD WINAPI fake_wait(HANDLE mutex, DWORD ms) {
  FakeLock& f = fake("WaitForSingleObject");
  EXPECT_TRUE(mutex == kFakeMutex);
  f.wait_ms = ms;
  if (f.on_wait) f.on_wait();
  if (f.wait_answer == WAIT_FAILED) SetLastError(ERROR_INVALID_HANDLE);
  return f.wait_answer;
}

BOOL WINAPI fake_release(HANDLE mutex) {
  FakeLock& f = fake("ReleaseMutex");
  EXPECT_TRUE(mutex == kFakeMutex);
  if (f.on_release) f.on_release();
  // ReleaseMutex's page: a thread that does not own the mutex fails.
  if (f.wait_answer != WAIT_OBJECT_0 && f.wait_answer != WAIT_ABANDONED) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI fake_close(HANDLE mutex) {
  fake("CloseHandle");
  EXPECT_TRUE(mutex == kFakeMutex);
  return TRUE;
}

}  // namespace

// The real conversion: a malformed security descriptor string fails here as on Windows.
FakeLock::FakeLock()
    : api_{::ConvertStringSecurityDescriptorToSecurityDescriptorW, counted_free, fake_create, fake_wait, fake_release, fake_close} {
  EXPECT_TRUE(g_current == nullptr);
  g_current = this;
}

FakeLock::~FakeLock() { g_current = nullptr; }
