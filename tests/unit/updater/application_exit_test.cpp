// The wait for the application: how it is opened and identified, what ends the
// run with 3 or 4, and what lets the update go on.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/updater/run_fixture.h"
#include "updater/application_exit.h"

namespace {

using ApplicationExitTest = UpdaterRunTest;
using Events = std::vector<std::string>;

TEST_F(ApplicationExitTest, OpensForWaitingAndQueryingOnlyAndChecksTheWholeImagePath) {
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.open_access, 0x101000u);  // SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
  EXPECT_EQ(fake.open_inherit, FALSE);
  EXPECT_EQ(fake.image_flags, 0u);  // the Win32 path form
  EXPECT_EQ(fake.image_buffer_chars, 32768u);
  EXPECT_EQ(fake.application_waits, std::vector<DWORD>{30000});
  EXPECT_EQ(fake.application.opened, 1);
}

// The process handle is gone before the update file is touched.
TEST_F(ApplicationExitTest, ClosesTheProcessBeforeTheUpdateGoesOn) {
  run();
  const Events head(fake.events.begin(), fake.events.begin() + 4);
  EXPECT_EQ(head, (Events{"open application", "wait application", "close application", "open update file"}));
}

TEST_F(ApplicationExitTest, ProcessThatNoLongerExistsGoesOnWithoutCheckOrWait) {
  fake.open_process_error = ERROR_INVALID_PARAMETER;
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.image_buffer_chars, 0u);
  EXPECT_TRUE(fake.application_waits.empty());
  EXPECT_EQ(fake.relaunches.size(), 1u);
}

// Wine still names the image of an ended process; Windows does not, and
// another program holding the ended application open is common.
TEST_F(ApplicationExitTest, EndedProcessHeldOpenElsewhereGoesOnWithoutCheckOrWait) {
  fake.application_ended = true;
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.application_waits, std::vector<DWORD>{0});  // a look, never the 30 s wait
  EXPECT_EQ(fake.relaunches.size(), 1u);
  EXPECT_EQ(fake.launches, 1);
}

TEST_F(ApplicationExitTest, ImagePathDifferingInAsciiCaseIsTheApplication) {
  fake.image_path = L"c:\\PROGRAM FILES\\lumetta\\LUMETTA.EXE";
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.application_waits.size(), 1u);
}

struct NotTheApplication {
  const char* name;
  DWORD open_error;
  DWORD image_error;
  std::wstring image_path;
};

// Shown by name when a case fails.
void PrintTo(const NotTheApplication& c, std::ostream* out) { *out << c.name; }

class ApplicationNotVerified : public UpdaterRunTest, public testing::WithParamInterface<NotTheApplication> {};

// Exit 3 is silent, waits for nothing and restarts nothing.
TEST_P(ApplicationNotVerified, ExitsThreeSilentlyWithoutRestart) {
  fake.open_process_error = GetParam().open_error;
  fake.image_path_error = GetParam().image_error;
  fake.image_path = GetParam().image_path;
  EXPECT_EQ(run(), kExitApplicationNotVerified);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_TRUE(fake.relaunches.empty());
  EXPECT_EQ(std::count(fake.application_waits.begin(), fake.application_waits.end(), kApplicationExitTimeoutMs), 0);
  EXPECT_EQ(fake.update_file.opened, 0);
  EXPECT_EQ(fake.launches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Updater, ApplicationNotVerified,
    testing::Values(NotTheApplication{"AccessDenied", ERROR_ACCESS_DENIED, 0, kApplicationPath},
                    NotTheApplication{"ImagePathUnreadable", 0, ERROR_GEN_FAILURE, kApplicationPath},
                    NotTheApplication{"AnotherProgram", 0, 0, L"C:\\Windows\\notepad.exe"},
                    NotTheApplication{"SameNameElsewhere", 0, 0, L"D:\\Program Files\\Lumetta\\Lumetta.exe"},
                    NotTheApplication{"TrailingSpace", 0, 0, std::wstring(kApplicationPath) + L" "}),
    [](const testing::TestParamInfo<NotTheApplication>& info) { return std::string(info.param.name); });

// Only ASCII letters fold: U+00E4 and U+00C4 are different names.
TEST_F(ApplicationExitTest, NonAsciiLettersMatchOnlyInTheSameCase) {
  const std::wstring application = L"C:\\Lumett\u00E4\\Lumetta.exe";
  fake.set_arguments({kUpdateFile, application, L"4242", kAbcDigest});
  fake.image_path = L"C:\\Lumett\u00C4\\Lumetta.exe";
  EXPECT_EQ(run(), kExitApplicationNotVerified);
  EXPECT_TRUE(fake.relaunches.empty());
}

TEST_F(ApplicationExitTest, NonAsciiLettersOfTheSameCaseMatch) {
  const std::wstring application = L"C:\\Lumett\u00E4\\Lumetta.exe";
  fake.set_arguments({kUpdateFile, application, L"4242", kAbcDigest});
  fake.image_path = application;
  EXPECT_EQ(run(), kExitUpdated);
}

class ApplicationStillRunning : public UpdaterRunTest, public testing::WithParamInterface<DWORD> {};

// Anything but the process's end within the time counts as still running.
TEST_P(ApplicationStillRunning, AsksToCloseItAndExitsFourWithoutRestart) {
  fake.application_wait = GetParam();
  EXPECT_EQ(run(), kExitApplicationStillRunning);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, kCloseText);
  EXPECT_EQ(fake.messages[0].caption, L"Lumetta");
  EXPECT_EQ(fake.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_FALSE(fake.messages[0].owned);
  EXPECT_TRUE(fake.relaunches.empty());
  EXPECT_EQ(fake.update_file.opened, 0);
  // The handle is closed before the user is asked.
  EXPECT_EQ(fake.events, (Events{"open application", "wait application", "close application", "message"}));
}

INSTANTIATE_TEST_SUITE_P(Updater, ApplicationStillRunning, testing::Values(WAIT_TIMEOUT, WAIT_FAILED));

}  // namespace
