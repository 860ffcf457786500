// One run at a time that changes the machine: --install, --restore and
// --uninstall hold a machine-wide named mutex for their whole run.
#pragma once
#include <windows.h>
#include <sddl.h>

#include "common/unique_resource.h"

// The lock's Windows calls, as a table: the product binds the real functions,
// tests bind fakes that play the other run.
struct LockApi {
  decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorW) convert_security_descriptor;
  decltype(&::LocalFree) local_free;
  decltype(&::CreateMutexExW) create_mutex_ex;
  decltype(&::WaitForSingleObject) wait_for_single_object;
  decltype(&::ReleaseMutex) release_mutex;
  decltype(&::CloseHandle) close_handle;
};

const LockApi& real_lock_api();

// In the global namespace, so that runs in every session meet: two users of
// one PC, or an elevated run beside one that is not.
inline constexpr wchar_t kMachineLockName[] = L"Global\\Lumetta.DriverSetup.MachineChange";
// An --install waits at most 30 s for the cable's endpoints; the other 90 s
// leave room for its package check, driver installation and restore.
inline constexpr DWORD kMachineLockWaitMs = 120000;
inline constexpr char kMachineBusy[] =
    "Another driver_setup run is changing this machine; nothing was changed";

// CreateMutexExW gives NULL when it fails; the mutex is closed last.
struct MutexKind : win::OwnerKind<HANDLE, win::NullSentinel, decltype(LockApi::close_handle), win::NonzeroIsSuccess> {};
// Ownership of the mutex, given back before its handle closes.
struct MutexOwnershipKind
    : win::OwnerKind<HANDLE, win::NullSentinel, decltype(LockApi::release_mutex), win::NonzeroIsSuccess> {};

class MachineLock {
 public:
  // Waits up to kMachineLockWaitMs for the other run to end. Raises
  // kMachineBusy when it does not, and a step error when Windows fails.
  explicit MachineLock(const LockApi& api = real_lock_api());

 private:
  win::UniqueResource<MutexKind> mutex_;
  win::UniqueResource<MutexOwnershipKind> owned_;  // declared last: released first
};
