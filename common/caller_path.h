// Opening a path that the caller chose: the report, a package file, the update
// file. Both programs may run elevated, and such a path may have been prepared
// by an unprivileged program on the same machine.
#pragma once
#include <windows.h>

#include <string>

#include "common/unique_resource.h"

namespace win {

enum class PathAccess {
  read,   // an existing file
  write,  // created, or emptied when it exists
};

// Identification only: a path that leads to a named pipe gives the pipe's
// server no token of this process that it could act with.
inline constexpr DWORD kCallerPathFlags = FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

// Every open of such a path goes through here; share says what others may
// still do with the file while the handle is held.
inline FileHandle open_caller_path(decltype(&::CreateFileW) create_file, decltype(&::CloseHandle) close_handle,
                                   const std::wstring& path, PathAccess access, DWORD share) {
  const bool write = access == PathAccess::write;
  return FileHandle(create_file(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, share, nullptr,
                                write ? CREATE_ALWAYS : OPEN_EXISTING, kCallerPathFlags, nullptr),
                    close_handle);
}

}  // namespace win
