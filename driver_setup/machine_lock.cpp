#include "driver_setup/machine_lock.h"

#include <stdexcept>

#include "common/security_descriptor.h"
#include "driver_setup/check_step.h"

namespace {

// SYSTEM and administrators may do anything with the mutex; every other
// signed-in user may wait on it and release it (SYNCHRONIZE |
// MUTEX_MODIFY_STATE), so that a --restore run as the user meets an elevated
// --install instead of being refused the name. Nobody else may change its
// security. Anyone can take the name first anyway: see the integration guide.
constexpr wchar_t kLockSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)";
// CreateMutexW asks for all access to a mutex that exists already; this is
// all a run needs, and all the users above are granted.
constexpr DWORD kLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

HANDLE create_mutex(const LockApi& api) {
  const win::SecurityDescriptor descriptor =
      win::security_descriptor(api.convert_security_descriptor, api.local_free, kLockSecurity);
  check_step(descriptor.valid(), "Create the machine lock");
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  // Not owned at creation: ownership comes from the wait alone, whoever created it.
  const HANDLE mutex = api.create_mutex_ex(&attributes, kMachineLockName, 0, kLockAccess);
  check_step(mutex != nullptr, "Create the machine lock");
  return mutex;
}

// Waits for the mutex. WAIT_ABANDONED: a run died holding it, and ownership
// passes to this one; nothing of the dead run's is trusted, since every run
// takes its own baseline and inventory after the lock.
HANDLE take_ownership(const LockApi& api, HANDLE mutex) {
  const DWORD waited = api.wait_for_single_object(mutex, kMachineLockWaitMs);
  if (waited == WAIT_TIMEOUT) throw std::runtime_error(kMachineBusy);
  check_step(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED, "Wait for the machine lock");
  return mutex;
}

}  // namespace

const LockApi& real_lock_api() {
  static const LockApi api{
      ::ConvertStringSecurityDescriptorToSecurityDescriptorW,
      ::LocalFree,
      ::CreateMutexExW,
      ::WaitForSingleObject,
      ::ReleaseMutex,
      ::CloseHandle,
  };
  return api;
}

MachineLock::MachineLock(const LockApi& api)
    : mutex_(create_mutex(api), api.close_handle), owned_(take_ownership(api, mutex_.get()), api.release_mutex) {}
