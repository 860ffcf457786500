// One run of the updater against the fake platform. Whatever the path, every
// handle that the fake handed out must have come back exactly once.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/updater/fake_updater.h"
#include "updater/update_run.h"

inline constexpr wchar_t kCloseText[] = L"Close Lumetta before installing the update.";
inline constexpr wchar_t kNotVerifiedText[] = L"The update could not be verified.";
inline constexpr wchar_t kIncompleteText[] = L"The update did not complete. Lumetta will reopen.";

class UpdaterRunTest : public testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(fake.all_released()) << "argument arrays " << fake.argument_arrays.opened << "/"
                                     << fake.argument_arrays.closed << ", application "
                                     << fake.application.opened << "/" << fake.application.closed
                                     << ", installer " << fake.installer.opened << "/" << fake.installer.closed
                                     << ", update file " << fake.update_file.opened << "/"
                                     << fake.update_file.closed << ", unknown " << fake.unknown_closes;
    EXPECT_TRUE(fake.digest.balanced());
  }

  int run() { return run_update(fake.api(), fake.digest.api()); }

  std::vector<std::wstring> message_texts() const {
    std::vector<std::wstring> texts;
    for (const auto& m : fake.messages) texts.push_back(m.text);
    return texts;
  }

  FakeUpdater fake;
};
