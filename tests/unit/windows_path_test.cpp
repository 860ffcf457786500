#include "common/windows_path.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <utility>

namespace {

TEST(WindowsPath, JoinPutsOneBackslashOnlyWhereTheFolderNeedsIt) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"", L"x.inf"},                       // relative to the current directory
      {L"C:\\payload", L"C:\\payload\\x.inf"},
      {L"C:\\payload\\", L"C:\\payload\\x.inf"},
      {L"C:/payload/", L"C:/payload/x.inf"},
      {L"C:/payload", L"C:/payload\\x.inf"},
      {L"payload", L"payload\\x.inf"},
      {L".", L".\\x.inf"},
      {L"\\\\server\\share", L"\\\\server\\share\\x.inf"},
      {L"Z:", L"Z:x.inf"},                   // the drive's current directory, not its root
      {L"c:", L"c:x.inf"},
      {L"Z:\\", L"Z:\\x.inf"},
      {L"1:", L"1:\\x.inf"},                 // not a drive letter
      {L"ZZ:", L"ZZ:\\x.inf"},
      {L":", L":\\x.inf"},
      {L"Z:payload", L"Z:payload\\x.inf"},
      // Only the letters A to Z, in either case, make a drive.
      {L"A:", L"A:x.inf"}, {L"a:", L"a:x.inf"}, {L"z:", L"z:x.inf"},
      {L"@:", L"@:\\x.inf"}, {L"[:", L"[:\\x.inf"}, {L"`:", L"`:\\x.inf"}, {L"{:", L"{:\\x.inf"},
  };
  for (const auto& [folder, joined] : cases) EXPECT_EQ(win_path::join(folder, L"x.inf"), joined) << folder;
}

TEST(WindowsPath, ParentKeepsRootNamesAndRootFolders) {
  // Both separators; a drive, a server or a device prefix and the root folder after it stay.
  const std::pair<const wchar_t*, const wchar_t*> table[] = {
      {L"C:/out/report.json", L"C:/out"},   {L"C:\\out\\\\report.json", L"C:\\out"},
      {L"C:/report.json", L"C:/"},          {L"out\\report.json", L"out"},
      {L"//server/share/r.json", L"//server/share"}, {L"report.json", L""},
      {L"C:/out/", L"C:/out"},              {L"C:report.json", L"C:"},
      {L"\\\\.\\NUL", L"\\\\.\\"},          {L"//?/C:/r.json", L"//?/C:"},
  };
  for (const auto& [path, parent] : table) EXPECT_EQ(win_path::parent_path(path), parent) << path;
}

// The forms of "File path formats on Windows systems": a drive letter of either
// case, a drive-relative "C:x", a server, the device, long-path and NT object prefixes.
TEST(WindowsPath, RootNamesAndFullyQualifiedPaths) {
  struct Row {
    const wchar_t* path;
    std::size_t root_name;
    bool fully_qualified, root_only;
  };
  const Row table[] = {
      {L"c:\\out\\r.json", 2, true, false},  {L"C:", 2, false, true},
      {L"C:x", 2, false, false},               {L"c:\\", 2, true, true},
      {L"\\\\server\\share\\r.json", 8, true, false}, {L"//server/share", 8, true, false},
      {L"\\\\server", 8, true, true},            {L"\\??\\C:\\r.json", 3, true, false},
      {L"\\\\?\\C:\\r.json", 3, true, false},   {L"\\\\.\\pipe\\p", 3, true, false},
      {L"\\x", 0, false, false},               {L"x", 0, false, false},
      {L"\\?x\\r.json", 0, false, false},       {L"\\??", 0, false, false}, {L"\\??x", 0, false, false},
      {L"\\\\", 0, false, true},                 {L"\\\\\\x", 0, false, false},
      {L"", 0, false, true},
  };
  for (const auto& [path, root_name, fully_qualified, root_only] : table) {
    EXPECT_EQ(win_path::root_name_length(path), root_name) << path;
    EXPECT_EQ(win_path::is_fully_qualified(path), fully_qualified) << path;
    EXPECT_EQ(win_path::is_root_only(path), root_only) << path;
  }
  EXPECT_EQ(win_path::parent_path(L"\\??\\C:\\out\\r.json"), L"\\??\\C:\\out");
  EXPECT_EQ(win_path::parent_path(L"\\\\server\\share\\r.json"), L"\\\\server\\share");
  EXPECT_EQ(win_path::parent_path(L"c:\\r.json"), L"c:\\");
}

TEST(WindowsPath, ApplicationFolderEndsBeforeTheLastSeparatorAndKeepsARoots) {
  const std::pair<const wchar_t*, const wchar_t*> table[] = {
      {L"C:\\Program Files\\Lumetta\\Lumetta.exe", L"C:\\Program Files\\Lumetta"},
      {L"C:/Apps/Lumetta/Lumetta.exe", L"C:/Apps/Lumetta"},
      {L"C:\\Apps/Lumetta\\bin/Lumetta.exe", L"C:\\Apps/Lumetta\\bin"},
      {L"\\\\server\\share\\Lumetta.exe", L"\\\\server\\share"},
      {L"C:\\Lumetta.exe", L"C:\\"},
      {L"D:/Lumetta.exe", L"D:/"},
      {L"\\Lumetta.exe", L"\\"},
      {L"Lumetta.exe", L"Lumetta.exe"},  // no separator: the whole path
      {L"C:Lumetta.exe", L"C:Lumetta.exe"},
      {L"ab\\Lumetta.exe", L"ab"},  // a separator at 2 without a drive is no root
  };
  for (const auto& [path, folder] : table) EXPECT_EQ(win_path::application_folder(path), folder) << path;
}

}  // namespace
