#include <gtest/gtest.h>

#include "updater/relaunch.h"

namespace {

TEST(ApplicationFolder, EndsBeforeTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(application_folder(L"C:\\Program Files\\Lumetta\\Lumetta.exe"), L"C:\\Program Files\\Lumetta");
  EXPECT_EQ(application_folder(L"C:/Apps/Lumetta/Lumetta.exe"), L"C:/Apps/Lumetta");
  EXPECT_EQ(application_folder(L"C:\\Apps/Lumetta\\bin/Lumetta.exe"), L"C:\\Apps/Lumetta\\bin");
  EXPECT_EQ(application_folder(L"\\\\server\\share\\Lumetta.exe"), L"\\\\server\\share");
}

TEST(ApplicationFolder, RootFolderKeepsItsSeparator) {
  EXPECT_EQ(application_folder(L"C:\\Lumetta.exe"), L"C:\\");
  EXPECT_EQ(application_folder(L"D:/Lumetta.exe"), L"D:/");
  EXPECT_EQ(application_folder(L"\\Lumetta.exe"), L"\\");
}

TEST(ApplicationFolder, PathWithoutSeparatorIsItsOwnFolder) {
  EXPECT_EQ(application_folder(L"Lumetta.exe"), L"Lumetta.exe");
  EXPECT_EQ(application_folder(L"C:Lumetta.exe"), L"C:Lumetta.exe");
}

}  // namespace
