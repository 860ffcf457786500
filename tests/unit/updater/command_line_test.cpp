// The argument rules: every malformed command line ends the run with 2 before
// anything is opened, silently and without a restart.
#include <gtest/gtest.h>

#include "tests/unit/updater/run_fixture.h"

namespace {

struct BadCommandLine {
  const char* name;
  std::wstring command_line;
};

// Shown by name when a case fails.
void PrintTo(const BadCommandLine& c, std::ostream* out) { *out << c.name; }

const std::wstring kProgram = L"updater.exe";
const std::wstring kGoodTail = L" C:\\Lumetta\\Lumetta.exe 4242 " + std::wstring(kAbcDigest);

class RefusedCommandLine : public UpdaterRunTest, public testing::WithParamInterface<BadCommandLine> {};

TEST_P(RefusedCommandLine, ExitsTwoBeforeTouchingAnything) {
  fake.command_line = GetParam().command_line;
  EXPECT_EQ(run(), kExitBadCommandLine);
  EXPECT_TRUE(fake.events.empty());  // no process, file, launch, message or restart
  EXPECT_EQ(fake.argument_arrays.opened, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Updater, RefusedCommandLine,
    testing::Values(
        BadCommandLine{"NoArguments", kProgram},
        BadCommandLine{"ThreeArguments", kProgram + L" C:\\up\\setup.exe C:\\Lumetta\\Lumetta.exe 4242"},
        BadCommandLine{"FiveArguments", kProgram + L" C:\\up\\setup.exe" + kGoodTail + L" extra"},
        BadCommandLine{"LetterAfterProcessId",
                       kProgram + L" C:\\up\\setup.exe C:\\Lumetta\\Lumetta.exe 4242a " + kAbcDigest},
        BadCommandLine{"SpaceAfterProcessId",
                       kProgram + L" C:\\up\\setup.exe C:\\Lumetta\\Lumetta.exe \"4242 \" " + kAbcDigest},
        BadCommandLine{"HexProcessId", kProgram + L" C:\\up\\setup.exe C:\\Lumetta\\Lumetta.exe 0x10 " + kAbcDigest},
        BadCommandLine{"ShortUpdatePath", kProgram + L" a.e" + kGoodTail},
        BadCommandLine{"ShortApplicationPath", kProgram + L" C:\\up\\setup.exe a.e 4242 " + kAbcDigest},
        BadCommandLine{"QuoteInUpdatePath", kProgram + L" C:\\up\\se\\\"tup.exe" + kGoodTail},
        BadCommandLine{"QuoteInApplicationPath",
                       kProgram + L" C:\\up\\setup.exe C:\\Lumetta\\Lu\\\"metta.exe 4242 " + kAbcDigest}),
    [](const testing::TestParamInfo<BadCommandLine>& info) { return std::string(info.param.name); });

using CommandLineTest = UpdaterRunTest;

TEST_F(CommandLineTest, FailedSplitExitsTwo) {
  fake.split_fails = true;
  EXPECT_EQ(run(), kExitBadCommandLine);
  EXPECT_TRUE(fake.events.empty());
}

TEST_F(CommandLineTest, ArgumentsAreTakenInTheirPositions) {
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.opened_id, kApplicationId);
  EXPECT_EQ(fake.created_path, kUpdateFile);
  EXPECT_EQ(fake.launch_file, kUpdateFile);
  ASSERT_EQ(fake.relaunches.size(), 1u);
  EXPECT_EQ(fake.relaunches[0].file, kApplicationPath);
}

TEST_F(CommandLineTest, PathsOfFourCharactersAreLongEnough) {
  fake.image_path = L"b.ex";
  fake.set_arguments({L"a.ex", L"b.ex", L"7", kAbcDigest});
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.created_path, L"a.ex");
}

// The digest argument is left to the digest check: a bad one is exit 6, not 2.
TEST_F(CommandLineTest, DigestArgumentIsNotCheckedWithTheOthers) {
  fake.set_arguments({kUpdateFile, kApplicationPath, L"4242", L"x"});
  EXPECT_EQ(run(), kExitUpdateNotVerified);
}

TEST_F(CommandLineTest, EmptyProcessIdMeansProcessZeroAndGoesOnAtOnce) {
  fake.set_arguments({kUpdateFile, kApplicationPath, L"", kAbcDigest});
  EXPECT_EQ(run(), kExitUpdated);
  EXPECT_EQ(fake.opened_id, 0u);
  EXPECT_TRUE(fake.application_waits.empty());
  EXPECT_EQ(fake.image_buffer_chars, 0u);  // no identity check
}

}  // namespace
