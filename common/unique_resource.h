// Owners for Windows objects: one alias per kind, chosen by its sentinel.
#pragma once
#include <windows.h>
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

// Owns one value of T and hands it to Close once. The close function comes from
// the caller's Windows seam, so that tests can count releases.
template <typename T, typename Sentinel, typename Close>
class UniqueResource {
 public:
  UniqueResource(T value, Close close) : value_(value), close_(close) {}
  ~UniqueResource() { reset(); }
  UniqueResource(UniqueResource&& other) noexcept
      : value_(std::exchange(other.value_, empty())), close_(other.close_) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource& operator=(UniqueResource&&) = delete;

  T get() const { return value_; }
  bool valid() const { return value_ != empty(); }

  void reset() {
    if (valid()) {
      LastErrorKeeper keep;
      close_(std::exchange(value_, empty()));
    }
  }

  // Closes now and answers whether the close succeeded, leaving its error code:
  // closing a written file can still fail the write (a dropped network share).
  bool close() { return valid() && close_(std::exchange(value_, empty())); }

 private:
  static T empty() { return Sentinel::template empty<T>(); }
  T value_;
  Close close_;
};

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
