#include <gtest/gtest.h>

#include <filesystem>

#include "driver_setup/report/report.h"
#include "driver_setup/run.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/fake_lock.h"
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
    const Platform platform{kFakeCom,         audio.api(),       devices.api(), real_payload_api(),
                            install.api(),    real_report_api(), lock.api()};
    return run_driver_setup(static_cast<int>(argv.size()), argv.data(), platform);
  }
  std::string report() const { return read_file(report_path); }

  FakeAudio audio;
  FakeSetupApi devices;
  FakeInstallApi install;
  FakeLock lock;
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
      {L"--uninstall", L"a", report_path},
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

// The lock comes before the baseline and the inventory, and goes only once the
// final report is on disk; the verbs that change nothing take none.
TEST_F(RunTest, ChangingVerbsHoldTheLockFromBeforeTheBaselineUntilTheReportIsWritten) {
  devices.devices = {cable_device(0x0180200A)};
  const std::vector<std::pair<std::vector<std::wstring>, bool>> runs = {
      {{L"--probe", report_path}, false},
      {{L"--verify", L"Z:\\none", report_path}, false},
      {{L"--install", L"Z:\\none", report_path}, true},  // reuses the cable
      {{L"--restore", L"", L"", L"", L"", L"", L"", report_path}, true},
      {{L"--uninstall", report_path}, true},
  };
  for (const auto& [args, locks] : runs) {
    lock.calls.clear();
    int snapshots_at_wait = -1;
    std::string report_at_release;
    lock.on_wait = [&] { snapshots_at_wait = audio.creations; };
    lock.on_release = [&] { report_at_release = report(); };
    const int before = audio.creations;
    run(args);
    EXPECT_EQ(lock.calls.size(), locks ? 4u : 0u) << to_utf8(args[0]);
    if (!locks) continue;
    EXPECT_EQ(snapshots_at_wait, before) << to_utf8(args[0]);
    EXPECT_EQ(report_at_release, report()) << to_utf8(args[0]);
  }
}

TEST_F(RunTest, AnotherChangingRunThatDoesNotEndChangesNothing) {
  devices.devices = {cable_device(0x0180200A)};
  lock.wait_answer = WAIT_TIMEOUT;
  EXPECT_EQ(run({L"--uninstall", report_path}), 1);
  EXPECT_EQ(report(), final_report("error", kMachineBusy, 0));
  EXPECT_EQ(devices.sets_open, 0);  // no inventory
  EXPECT_TRUE(install.calls.empty());
}

// The count is the one at the start; only the marked device goes.
TEST_F(RunTest, UninstallRemovesOursAndReportsARestartWhenWindowsAsks) {
  for (const DWORD restart_flags : {DWORD{0}, DWORD{DI_NEEDRESTART}}) {
    FakeDevice ours = cable_device(0x0180200A);
    ours.mark = L"driver_setup 1.0.0";
    ours.restart_flags = restart_flags;
    devices.devices = {ours, cable_device(0, 0, CR_NO_SUCH_DEVINST)};
    devices.devices[1].instance_id = L"ROOT\\MEDIA\\0001";
    EXPECT_EQ(run({L"--uninstall", report_path}), restart_flags ? 3010 : 0);
    EXPECT_EQ(report(), final_report(restart_flags ? "uninstalled_restart_required" : "uninstalled", "", 2));
    EXPECT_EQ(devices.remaining(), std::vector<std::wstring>{L"ROOT\\MEDIA\\0001"});
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
