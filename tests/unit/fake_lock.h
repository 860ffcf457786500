// A fake of the machine lock's calls that plays the other run: the wait
// answers what the test chooses, and every call is recorded in order.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "driver_setup/machine_lock.h"

class FakeLock {
 public:
  DWORD wait_answer = WAIT_OBJECT_0;  // WAIT_TIMEOUT: still held; WAIT_ABANDONED: its run died; WAIT_FAILED
  DWORD create_error = 0;             // CreateMutexExW fails with it
  std::function<void()> on_wait, on_release;

  std::vector<std::string> calls;  // CreateMutexExW, WaitForSingleObject, ReleaseMutex, CloseHandle
  std::wstring name;
  DWORD wait_ms = 0;
  int descriptors_given = 0, descriptors_freed = 0;

  FakeLock();
  ~FakeLock();
  FakeLock(const FakeLock&) = delete;
  FakeLock& operator=(const FakeLock&) = delete;

  const LockApi& api() const { return api_; }

 private:
  LockApi api_;
};
