// The payload fixture, found from the test executable's own folder: it lies at
// the same place relative to it in the build tree and in the bundle that a
// Windows machine runs, so no path of the build machine is baked in.
#pragma once
#include <filesystem>
#include <string>

#include "tests/tools/updater/record_file.h"

// PAYLOAD_FIXTURE_FROM_BIN: the fixture folder relative to the executable's folder.
inline std::wstring payload_fixture(const std::wstring& name) {
  const std::filesystem::path folder = std::filesystem::path(own_path()).parent_path();
  return (folder / PAYLOAD_FIXTURE_FROM_BIN / name).lexically_normal().wstring();
}
