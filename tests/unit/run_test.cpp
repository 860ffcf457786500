#include <gtest/gtest.h>

#include <filesystem>

#include "driver_setup/run.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/test_support.h"

namespace {

int g_initialized = 0;
int g_uninitialized = 0;
DWORD g_init_flags = 0;
bool g_init_reserved = false;

HRESULT WINAPI fake_co_initialize_ex(LPVOID reserved, DWORD flags) {
  ++g_initialized;
  g_init_flags = flags;
  g_init_reserved = reserved != nullptr;
  return RPC_E_CHANGED_MODE;  // whatever COM answers, the run pairs it
}

void WINAPI fake_co_uninitialize() { ++g_uninitialized; }

const ComApi kFakeCom{fake_co_initialize_ex, fake_co_uninitialize};

// One run of driver_setup against fakes; the report lands in a temporary folder.
class RunTest : public testing::Test {
 protected:
  void SetUp() override { g_initialized = g_uninitialized = 0; }

  int run(std::vector<std::wstring> args) {
    args.insert(args.begin(), L"driver_setup.exe");
    std::vector<const wchar_t*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    const Platform platform{kFakeCom, audio.api(), devices.api()};
    return run_driver_setup(static_cast<int>(argv.size()), argv.data(), platform);
  }
  std::string report() const { return read_file(report_path); }

  FakeAudio audio;
  FakeSetupApi devices;
  TempFolder dir;
  const std::wstring report_path = dir / L"out\\report.json";
};

std::string final_report(const std::string& status, const std::string& error, int devices,
                         const std::string& before = R"(["","","","","",""])",
                         const std::string& after = R"(["","","","","",""])") {
  return R"({"status":")" + status + R"(","error":")" + error + R"(","existing_devices":)" + std::to_string(devices) +
         R"(,"defaults_before":)" + before + R"(,"defaults_after":)" + after + "}";
}

FakeDevice cable_device(ULONG status, ULONG problem = 0, CONFIGRET node = CR_SUCCESS) {
  FakeDevice d{multi_string({L"VBAudioVACWDM"})};
  d.status = status;
  d.problem = problem;
  d.node_result = node;
  return d;
}

TEST_F(RunTest, TooFewArgumentsTouchNothing) {
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({L"--probe"}), 2);
  EXPECT_EQ(g_initialized + g_uninitialized + audio.creations + devices.sets_open, 0);
}

TEST_F(RunTest, ProbeReportsBaselineAndCountAndPairsCom) {
  audio.set_defaults({L"spk", L"spk", L"spk", L"", L"", L""});
  devices.devices = {cable_device(0x0180200A), FakeDevice{multi_string({L"other"})}};
  EXPECT_EQ(run({L"--probe", L"spare", L"args", report_path}), 0);
  const std::string set = R"(["spk","spk","spk","","",""])";
  EXPECT_EQ(report(), final_report("probe", "", 1, set, set));
  EXPECT_EQ(g_initialized, 1);
  EXPECT_EQ(g_init_flags, static_cast<DWORD>(COINIT_APARTMENTTHREADED));
  EXPECT_FALSE(g_init_reserved);
  EXPECT_EQ(g_uninitialized, 1);
  EXPECT_EQ(audio.live_objects, 0);
  EXPECT_EQ(devices.sets_destroyed, 1);
}

TEST_F(RunTest, VerbsMatchWholeAndByCase) {
  devices.devices = {cable_device(0x0180200A)};
  for (const wchar_t* verb : {L"--Probe", L"-probe", L"--probex", L"--prob", L"probe"}) {
    EXPECT_EQ(run({verb, report_path}), 1) << verb;
    EXPECT_EQ(report(), final_report("error", "Invalid arguments", 1));
  }
  EXPECT_EQ(g_initialized, 5);
  EXPECT_EQ(g_uninitialized, 5);
}

TEST_F(RunTest, KnownVerbsWithWrongCounts) {
  const std::vector<std::vector<std::wstring>> calls = {
      {L"--install", report_path},
      {L"--install", L"a", L"b", report_path},
      {L"--verify", report_path},
      {L"--verify", L"a", L"b", report_path},
      {L"--restore", L"1", L"2", L"3", L"4", L"5", report_path},
      {L"--restore", L"1", L"2", L"3", L"4", L"5", L"6", L"7", report_path},
  };
  for (const auto& call : calls) {
    EXPECT_EQ(run(call), 1);
    EXPECT_EQ(report(), final_report("error", "Invalid arguments", 0));
  }
}

TEST_F(RunTest, FailingSnapshotWinsOverAnInvalidVerbAndSkipsTheInventory) {
  audio.create_result = E_FAIL;
  devices.devices = {cable_device(0x0180200A)};
  EXPECT_EQ(run({L"--bogus", report_path}), 1);
  EXPECT_EQ(devices.sets_open, 0);
  // The after-snapshot fails too: the report stops after its key.
  EXPECT_EQ(report(), R"({"status":"error","error":"Cannot enumerate default audio endpoints","existing_devices":0,)"
                      R"("defaults_before":["","","","","",""],"defaults_after":)");
  EXPECT_EQ(g_uninitialized, 1);
}

TEST_F(RunTest, FailingInventoryReportsNoDevices) {
  devices.devices = {cable_device(0x0180200A)};
  devices.end_error = ERROR_INVALID_HANDLE;
  EXPECT_EQ(run({L"--probe", report_path}), 1);
  EXPECT_EQ(report(), final_report("error", "SetupDiEnumDeviceInfo (Windows error 6)", 0));
}

TEST_F(RunTest, InstallReusesOneStartedHealthyCableWithoutLookingAtThePayload) {
  devices.devices = {cable_device(0x0180200A)};
  EXPECT_EQ(run({L"--install", L"Z:\\no\\such\\folder", report_path}), 0);
  EXPECT_EQ(report(), final_report("reused", "", 1));
}

TEST_F(RunTest, InstallRefusesUnusableCables) {
  const std::string refusal = "Existing VB-CABLE is disabled, disconnected or has a problem; no device was changed";
  const std::vector<std::vector<FakeDevice>> machines = {
      {cable_device(0x0180200A), cable_device(0x0180200A)},  // two cables
      {cable_device(0x0180200A, 22)},                        // a problem number
      {cable_device(0x01802000)},                            // not started
      {cable_device(0, 0, CR_NO_SUCH_DEVINST)},              // registered, not present
  };
  for (const auto& machine : machines) {
    devices.devices = machine;
    EXPECT_EQ(run({L"--install", L"payload", report_path}), 1);
    const std::string text = report();
    EXPECT_NE(text.find(R"("error":")" + refusal + " (Windows error "), std::string::npos) << text;
    EXPECT_EQ(text.find(R"("status":"error")"), 1u);
  }
}

TEST_F(RunTest, SucceededVerbStillFailsWhenTheReportCannotBeWritten) {
  std::filesystem::create_directories(report_path);  // a folder where the file should be
  EXPECT_EQ(run({L"--probe", report_path}), 1);
  std::ofstream(dir.path() / L"file") << "x";
  EXPECT_EQ(run({L"--probe", dir / L"file\\report.json"}), 1);
  EXPECT_EQ(g_uninitialized, 2);
}

}  // namespace
