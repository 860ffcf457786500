// Owners for Windows objects: one type per kind of object, so that a handle of
// one kind cannot be handed where another kind is expected.
#pragma once
#include <windows.h>

#include <type_traits>
#include <utility>

namespace win {

// Restores the thread's last error when it leaves scope, so that clean-up
// between a failed call and its report cannot replace the failure's code.
class LastErrorKeeper {
 public:
  LastErrorKeeper() : code_(GetLastError()) {}
  ~LastErrorKeeper() { SetLastError(code_); }
  LastErrorKeeper(const LastErrorKeeper&) = delete;
  LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

 private:
  DWORD code_;
};

// Sentinels: the value that means "nothing owned".
struct NullSentinel {
  template <typename T>
  static constexpr T empty() { return T{}; }
};
// Files, snapshots and device information sets fail with INVALID_HANDLE_VALUE,
// and NULL is no sentinel for them.
struct InvalidHandleSentinel {
  template <typename T>
  static T empty() { return reinterpret_cast<T>(INVALID_HANDLE_VALUE); }
};

// How a close function says that it succeeded; each differs, and reading one
// as another inverts the answer (bcrypt's NTSTATUS: common/bcrypt_owners.h).
struct NonzeroIsSuccess {  // BOOL: CloseHandle, SetupDiDestroyDeviceInfoList
  static bool succeeded(BOOL result) { return result != FALSE; }
};
struct NullIsSuccess {  // LocalFree gives back NULL, or the memory it could not free
  static bool succeeded(HLOCAL result) { return result == nullptr; }
};
struct NothingToAnswer {};  // a void close (CoTaskMemFree) cannot fail

// One kind of Windows object: its handle type, its sentinel, the type of its
// close function and how that function answers. Each kind derives its own
// struct from this, and that struct is what makes its owner a type of its own.
template <typename T, typename Sentinel, typename Close, typename Answer>
struct OwnerKind {
  using Value = T;
  using CloseFunction = Close;
  using CloseAnswer = Answer;
  static T empty() { return Sentinel::template empty<T>(); }
};

// Owns one value of its kind and hands it to the close function once. The
// close function comes from the caller's Windows seam, so that tests can count
// releases.
template <typename Kind>
class UniqueResource {
  using T = typename Kind::Value;
  using Close = typename Kind::CloseFunction;

 public:
  UniqueResource(T value, Close close) : value_(value), close_(close) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept
      : value_(std::exchange(other.value_, Kind::empty())), close_(other.close_) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource& operator=(UniqueResource&&) = delete;

  T get() const { return value_; }
  bool valid() const { return value_ != Kind::empty(); }

  void reset() {
    if (valid()) {
      LastErrorKeeper keep;
      close_(std::exchange(value_, Kind::empty()));
    }
  }

  // Closes now and answers whether the close succeeded, leaving its error code:
  // closing a written file can still fail the write (a dropped network share).
  bool close() {
    if (!valid()) return false;
    if constexpr (std::is_void_v<std::invoke_result_t<Close&, T>>) {
      close_(std::exchange(value_, Kind::empty()));
      return true;
    } else {
      return Kind::CloseAnswer::succeeded(close_(std::exchange(value_, Kind::empty())));
    }
  }

 private:
  T value_;
  Close close_;
};

// The kinds both programs hold. CreateFileW and CreateToolhelp32Snapshot fail
// with INVALID_HANDLE_VALUE; OpenProcess and ShellExecuteExW give NULL.
struct FileKind : OwnerKind<HANDLE, InvalidHandleSentinel, decltype(&::CloseHandle), NonzeroIsSuccess> {};
struct ProcessKind : OwnerKind<HANDLE, NullSentinel, decltype(&::CloseHandle), NonzeroIsSuccess> {};
struct ProcessSnapshotKind : OwnerKind<HANDLE, InvalidHandleSentinel, decltype(&::CloseHandle), NonzeroIsSuccess> {};
using FileHandle = UniqueResource<FileKind>;
using ProcessHandle = UniqueResource<ProcessKind>;
using ProcessSnapshot = UniqueResource<ProcessSnapshotKind>;

// A COM interface pointer; Release runs once, keeping the last error.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  I* get() const { return p_; }
  I* operator->() const { return p_; }
  // For out-parameters: releases what was held first.
  I** put() { reset(); return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) {
      LastErrorKeeper keep;
      std::exchange(p_, nullptr)->Release();
    }
  }

 private:
  I* p_ = nullptr;
};

}  // namespace win
