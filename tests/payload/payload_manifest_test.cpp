#include "driver_setup/payload/payload_manifest.h"

#include "driver_setup/payload/hash_file_sha256.h"
#include "driver_setup/report/report.h"
#include "tests/unit/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>

namespace {

TEST(PayloadManifest, HoldsThePackageFilesInTheirOrder) {
  const std::wstring_view expected[] = {
      L"VBCABLE_ControlPanel.exe",  L"VBCABLE_Setup.exe",         L"VBCABLE_Setup_x64.exe",
      L"pin_in.ico",                L"pin_out.ico",               L"readme.txt",
      L"vbMmeCable64_2003.inf",     L"vbMmeCable64_vista.inf",    L"vbMmeCable64_win10.inf",
      L"vbMmeCable64_win7.inf",     L"vbMmeCable_2003.inf",       L"vbMmeCable_vista.inf",
      L"vbMmeCable_win7.inf",       L"vbMmeCable_xp.inf",         L"vbaudio_cable64_2003.cat",
      L"vbaudio_cable64_2003.sys",  L"vbaudio_cable64_vista.cat", L"vbaudio_cable64_vista.sys",
      L"vbaudio_cable64_win10.cat", L"vbaudio_cable64_win10.sys", L"vbaudio_cable64_win7.cat",
      L"vbaudio_cable64_win7.sys",  L"vbaudio_cable64arm_win10.sys", L"vbaudio_cable_2003.cat",
      L"vbaudio_cable_2003.sys",    L"vbaudio_cable_vista.cat",   L"vbaudio_cable_vista.sys",
      L"vbaudio_cable_win7.cat",    L"vbaudio_cable_win7.sys",    L"vbaudio_cable_xp.cat",
      L"vbaudio_cable_xp.sys",
  };
  const PayloadManifest& manifest = payload_manifest();
  ASSERT_EQ(manifest.files.size(), 31u);
  for (std::size_t row = 0; row < manifest.files.size(); ++row)
    EXPECT_EQ(manifest.files[row].name, expected[row]) << "row " << row + 1;
  EXPECT_EQ(manifest.catalog, L"vbaudio_cable64_win10.cat");
  EXPECT_EQ(manifest.catalog, manifest.files[18].name);
}

TEST(PayloadManifest, DigestsAreLowerCaseHexAndNamesAreBareAndUnique) {
  std::set<std::wstring_view> names;
  for (const PayloadFile& file : payload_manifest().files) {
    EXPECT_EQ(file.sha256.size(), 64u) << file.sha256;
    EXPECT_TRUE(std::all_of(file.sha256.begin(), file.sha256.end(),
                            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        << file.sha256;
    EXPECT_EQ(file.name.find_first_of(L"\\/:"), std::wstring_view::npos);
    EXPECT_TRUE(names.insert(file.name).second) << "duplicate row";
  }
  // The table carries the installed INF, so the installation only ever uses a verified one.
  EXPECT_EQ(names.count(L"vbMmeCable64_win10.inf"), 1u);
}

// One changed digit in the table would let a changed package through: the rows,
// written as "name digest" lines, must hash to the fingerprint of the published table.
TEST(PayloadManifest, RowsMatchThePublishedTable) {
  TempFolder dir;
  const std::wstring rows = dir / L"rows.txt";
  {
    std::ofstream out(std::filesystem::path(rows), std::ios::binary);
    for (const PayloadFile& file : payload_manifest().files)
      out << to_utf8(std::wstring(file.name)) << ' ' << file.sha256 << '\n';
  }
  EXPECT_EQ(hash_file_sha256(rows), "dcd72151b0e86182919e1dd89c46abd8e57e9af860f17581aedb5a95708154c4");
}

}  // namespace
