// From the opening of the update file to the exit: the file's hold, the digest
// check, the elevated launch, the installer's result, the messages and the
// one restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "tests/unit/updater/run_fixture.h"

namespace {

using UpdateRunTest = UpdaterRunTest;
using Events = std::vector<std::string>;

// The whole path of an update that succeeds, step by step.
TEST_F(UpdateRunTest, SuccessfulUpdateHoldsTheFileUntilTheInstallerEndsThenRestarts) {
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.events, (Events{"open application", "wait application", "close application", "open update file",
                                 "launch installer", "wait installer", "read exit code", "close installer",
                                 "close update file", "restart application"}));
  EXPECT_TRUE(fake.file_open_during_installer);
  EXPECT_EQ(fake.installer_waits, std::vector<DWORD>{INFINITE});
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(UpdateRunTest, LaunchesTheUpdateFileElevatedAndSilent) {
  run();
  ASSERT_EQ(fake.launches, 1);
  const SHELLEXECUTEINFOW& launch = fake.launch;
  EXPECT_EQ(launch.cbSize, sizeof(SHELLEXECUTEINFOW));
  EXPECT_EQ(launch.fMask, 0x140u);  // SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC
  EXPECT_EQ(launch.hwnd, nullptr);
  EXPECT_EQ(fake.launch_verb, L"runas");
  EXPECT_EQ(fake.launch_file, kUpdateFile);
  EXPECT_EQ(fake.launch_parameters, L"/S");
  EXPECT_FALSE(fake.launch_directory);
  EXPECT_EQ(launch.nShow, SW_SHOWNORMAL);
  EXPECT_EQ(launch.lpIDList, nullptr);
  EXPECT_EQ(launch.lpClass, nullptr);
  EXPECT_EQ(launch.hkeyClass, nullptr);
  EXPECT_EQ(launch.dwHotKey, 0u);
  EXPECT_EQ(launch.hIcon, nullptr);
}

TEST_F(UpdateRunTest, RestartsTheApplicationFromItsFolder) {
  run();
  ASSERT_EQ(fake.relaunches.size(), 1u);
  const Relaunch& restart = fake.relaunches[0];
  EXPECT_EQ(restart.verb, L"open");
  EXPECT_EQ(restart.file, kApplicationPath);
  EXPECT_FALSE(restart.with_parameters);
  EXPECT_EQ(restart.folder, L"C:\\Program Files\\Lumetta");
  EXPECT_EQ(restart.show, SW_SHOWNORMAL);
  EXPECT_FALSE(restart.owned);
}

TEST_F(UpdateRunTest, ApplicationWithoutFolderIsStartedInItsWholePath) {
  fake.image_path = L"Lumetta.exe";
  fake.set_arguments({kUpdateFile, L"Lumetta.exe", L"4242", kAbcDigest});
  EXPECT_EQ(run(), kExitUpdated);
  ASSERT_EQ(fake.relaunches.size(), 1u);
  EXPECT_EQ(fake.relaunches[0].folder, L"Lumetta.exe");
}

TEST_F(UpdateRunTest, MissingUpdateFileExitsFiveSilentlyAndRestarts) {
  fake.create_file_error = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(run(), kExitUpdateFileUnavailable);
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_EQ(fake.launches, 0);
  EXPECT_EQ(fake.relaunches.size(), 1u);
  EXPECT_EQ(fake.digest.reads, 0);
}

struct Unverifiable {
  const char* name;
  std::wstring digest;
  int failing_read;
  bool reads_file;
};

// Shown by name when a case fails.
void PrintTo(const Unverifiable& c, std::ostream* out) { *out << c.name; }

class UpdateNotVerified : public UpdaterRunTest, public testing::WithParamInterface<Unverifiable> {};

// The file is closed, then the user told, then the application restarted.
TEST_P(UpdateNotVerified, ExitsSixWithItsMessageAndRestartsWithoutLaunching) {
  fake.set_arguments({kUpdateFile, kApplicationPath, L"4242", GetParam().digest});
  fake.digest.failing_read = GetParam().failing_read;
  EXPECT_EQ(run(), kExitUpdateNotVerified);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, kNotVerifiedText);
  EXPECT_EQ(fake.messages[0].caption, L"Lumetta");
  EXPECT_EQ(fake.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(fake.launches, 0);
  const Events tail(fake.events.end() - 3, fake.events.end());
  EXPECT_EQ(tail, (Events{"close update file", "message", "restart application"}));
  EXPECT_EQ(fake.digest.reads > 0, GetParam().reads_file);
}

std::wstring upper(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towupper(c));
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Updater, UpdateNotVerified,
    testing::Values(Unverifiable{"UpperCaseDigest", upper(kAbcDigest), -1, true},
                    Unverifiable{"OtherDigest", std::wstring(64, L'0'), -1, true},
                    Unverifiable{"DigestOf63", std::wstring(kAbcDigest).substr(0, 63), -1, false},
                    Unverifiable{"DigestOf65", std::wstring(kAbcDigest) + L"0", -1, false},
                    Unverifiable{"ReadError", kAbcDigest, 0, true}),
    [](const testing::TestParamInfo<Unverifiable>& info) { return std::string(info.param.name); });

struct InstallerOutcome {
  const char* name;
  bool launch_succeeds;
  bool gives_process;
  DWORD launch_error;
  DWORD exit_code;
  DWORD exit_code_error;
  int expected_exit;
  bool incomplete_message;
};

// Shown by name when a case fails.
void PrintTo(const InstallerOutcome& c, std::ostream* out) { *out << c.name; }

class InstallerResult : public UpdaterRunTest, public testing::WithParamInterface<InstallerOutcome> {};

// Every installer result restarts the application once, after any message.
TEST_P(InstallerResult, ChoosesExitCodeAndMessage) {
  const InstallerOutcome& outcome = GetParam();
  fake.launch_succeeds = outcome.launch_succeeds;
  fake.launch_gives_process = outcome.gives_process;
  fake.launch_error = outcome.launch_error;
  fake.installer_exit_code = outcome.exit_code;
  fake.exit_code_error = outcome.exit_code_error;
  EXPECT_EQ(run(), outcome.expected_exit);
  EXPECT_EQ(message_texts(), outcome.incomplete_message ? std::vector<std::wstring>{kIncompleteText}
                                                        : std::vector<std::wstring>{});
  for (const auto& message : fake.messages) EXPECT_EQ(message.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(fake.relaunches.size(), 1u);
  EXPECT_EQ(fake.events.back(), "restart application");
  EXPECT_EQ(fake.update_file.closed, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Updater, InstallerResult,
    testing::Values(
        InstallerOutcome{"EndsWithZero", true, true, 0, 0, 0, kExitUpdated, false},
        InstallerOutcome{"EndsWithRestartRequired", true, true, 0, ERROR_SUCCESS_REBOOT_REQUIRED, 0, kExitUpdated,
                         false},
        InstallerOutcome{"EndsWithTwo", true, true, 0, 2, 0, kExitInstallerFailed, true},
        InstallerOutcome{"EndsWithCancelled", true, true, 0, ERROR_CANCELLED, 0, kExitInstallerFailed, false},
        // A failed read leaves the result at 1, whatever the output holds.
        InstallerOutcome{"ExitCodeUnreadable", true, true, 0, 0, ERROR_ACCESS_DENIED, kExitInstallerFailed, true},
        InstallerOutcome{"ElevationRefused", false, false, ERROR_CANCELLED, 0, 0, kExitInstallerFailed, false},
        InstallerOutcome{"LaunchFailed", false, false, ERROR_FILE_NOT_FOUND, 0, 0, kExitInstallerFailed, true},
        // No error code after a failed launch must not pass for the installer's success.
        InstallerOutcome{"LaunchFailedWithoutCode", false, false, 0, 0, 0, kExitInstallerFailed, true},
        InstallerOutcome{"LaunchedWithoutProcessOrCode", true, false, 0, 0, 0, kExitInstallerFailed, true},
        InstallerOutcome{"LaunchedWithoutProcessAfterRefusal", true, false, ERROR_CANCELLED, 0, 0,
                         kExitInstallerFailed, false}),
    [](const testing::TestParamInfo<InstallerOutcome>& info) { return std::string(info.param.name); });

TEST_F(UpdateRunTest, FailedLaunchStillClosesTheFileBeforeTheMessage) {
  fake.launch_succeeds = false;
  fake.launch_error = ERROR_FILE_NOT_FOUND;
  run();
  const Events tail(fake.events.end() - 4, fake.events.end());
  EXPECT_EQ(tail, (Events{"launch installer", "close update file", "message", "restart application"}));
  EXPECT_TRUE(fake.installer_waits.empty());
}

struct FinalPath {
  const char* name;
  std::wstring final_path;
  DWORD error;
  std::wstring launched;  // empty: nothing started, and the run fails with the message
};

// Shown by name when a case fails.
void PrintTo(const FinalPath& c, std::ostream* out) { *out << c.name; }

class StartPath : public UpdaterRunTest, public testing::WithParamInterface<FinalPath> {};

// The shell starts the held file by its final path, or by the path as given
// for a network file; a final path it cannot take starts nothing.
TEST_P(StartPath, ComesFromTheHeldFile) {
  fake.final_path = GetParam().final_path;
  fake.final_path_error = GetParam().error;
  const bool starts = !GetParam().launched.empty();
  EXPECT_EQ(run(), starts ? kExitUpdated : kExitInstallerFailed);
  EXPECT_EQ(fake.launches, starts ? 1 : 0);
  EXPECT_EQ(fake.launch_file, GetParam().launched);
  EXPECT_EQ(message_texts(), starts ? std::vector<std::wstring>{} : std::vector<std::wstring>{kIncompleteText});
}

const std::wstring kLongest = L"D:\\" + std::wstring(MAX_PATH - 8, L'x') + L".exe";  // MAX_PATH - 1 characters

INSTANTIATE_TEST_SUITE_P(
    Updater, StartPath,
    testing::Values(FinalPath{"DrivePathThroughALink", L"\\\\?\\D:\\Real\\LumettaSetup.exe", 0,
                              L"D:\\Real\\LumettaSetup.exe"},
                    FinalPath{"LongestDrivePath", L"\\\\?\\" + kLongest, 0, kLongest},
                    FinalPath{"DrivePathTooLongForTheShell", L"\\\\?\\" + kLongest + L"x", 0, L""},
                    FinalPath{"NetworkFileAsGiven", L"\\\\?\\UNC\\server\\share\\LumettaSetup.exe", 0,
                              kUpdateFile},
                    FinalPath{"DriveWithoutLetter", L"", ERROR_PATH_NOT_FOUND, L""}),
    [](const testing::TestParamInfo<FinalPath>& info) { return std::string(info.param.name); });

class ComAroundTheLaunch : public UpdaterRunTest, public testing::WithParamInterface<HRESULT> {};

// Initialised for the launch whatever the thread had; balanced only where it succeeded.
TEST_P(ComAroundTheLaunch, IsBalancedOnlyWhenItSucceeded) {
  fake.com_result = GetParam();
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_TRUE(fake.launched_inside_com);
  EXPECT_EQ(fake.com_inits, 1);
  EXPECT_EQ(fake.com_uninits, SUCCEEDED(GetParam()) ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Updater, ComAroundTheLaunch, testing::Values(S_OK, S_FALSE, RPC_E_CHANGED_MODE, E_OUTOFMEMORY));

// A failed wait leaves an installer that may still run: no exit code is read from it.
TEST_F(UpdateRunTest, FailedWaitForTheInstallerIsAnUnreadableExitCode) {
  fake.installer_wait = WAIT_FAILED;
  EXPECT_EQ(run(), kExitInstallerFailed);
  EXPECT_EQ(message_texts(), std::vector<std::wstring>{kIncompleteText});
  EXPECT_EQ(std::count(fake.events.begin(), fake.events.end(), "read exit code"), 0);
}

}  // namespace
