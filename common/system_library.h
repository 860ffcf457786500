// Libraries that are not among Windows' known DLLs are looked for in the
// program's own folder first. Both programs may run elevated from a folder
// that the user can write, so such libraries come from the system folder only,
// bound at run time where the real seam tables are built.
#pragma once
#include <windows.h>

namespace win {

// What a function that the system folder lacks answers: a status function
// (bcrypt's NTSTATUS, WinVerifyTrust's LONG) STATUS_PROCEDURE_NOT_FOUND, any
// other FALSE or null. Either is the failure its caller already handles.
template <typename R>
inline constexpr R kUnavailableResult = R{};
template <>
inline constexpr LONG kUnavailableResult<LONG> = static_cast<LONG>(0xC000007A);

template <typename F>
struct Unavailable;
template <typename R, typename... Args>
struct Unavailable<R (*)(Args...)> {
  static R WINAPI call(Args...) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return kUnavailableResult<R>;
  }
};

// One function of a system library, converted to the seam's pointer type:
// loaded from the system folder and kept for the life of the process, or a
// stand-in that fails when the library or the function is not there.
struct SystemFunction {
  const wchar_t* library;
  const char* name;

  template <typename F>
  operator F() const {
    const HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return found ? reinterpret_cast<F>(reinterpret_cast<void*>(found)) : &Unavailable<F>::call;
  }
};

}  // namespace win
