// The whole --install road through the run flow, against fakes of every
// subsystem and a payload folder whose table this test build links in.
#include <gtest/gtest.h>

#include "driver_setup/report/report.h"
#include "driver_setup/run.h"
#include "tests/payload/fake_payload_api.h"
#include "tests/payload/fixture_path.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/test_support.h"

namespace {

HRESULT WINAPI co_initialize_ex(LPVOID, DWORD) { return S_OK; }
void WINAPI co_uninitialize() {}
const ComApi kCom{co_initialize_ex, co_uninitialize};

// The report's flushes join the installation's calls, so that their order shows.
DWORD g_flush_error = 0;
BOOL WINAPI recorded_flush(HANDLE file) {
  FakeInstallApi::current().calls.push_back("FlushFileBuffers");
  if (!g_flush_error) return FlushFileBuffers(file);
  SetLastError(g_flush_error);
  return FALSE;
}
const ReportApi kReport = [] {
  ReportApi api = real_report_api();
  api.flush_file_buffers = recorded_flush;
  return api;
}();

const std::array<std::wstring, 6> kBaseline = {render_id(L"spk"), render_id(L"spk"), render_id(L"hp"),
                                               capture_id(L"mic"), capture_id(L"mic"), L""};
const std::array<std::wstring, 6> kChanged = {render_id(L"cable"), render_id(L"cable"), render_id(L"hp"),
                                              capture_id(L"cable"), capture_id(L"mic"), L""};

std::string json_array(const std::array<std::wstring, 6>& set) {
  std::string text = "[";
  for (const auto& id : set) text += (text.size() > 1 ? ",\"" : "\"") + to_utf8(id) + "\"";
  return text + "]";
}

class RunInstallTest : public testing::Test {
 protected:
  void SetUp() override {
    audio.set_defaults(kBaseline);
    // The cable's three endpoints are there from the start: the wait settles after 5 s.
    for (int i = 0; i < 3; ++i) audio.endpoints.push_back({L"VB-Audio Virtual Cable"});
    audio.on_sleep = [this] { report_while_waiting = read_file(report); };
    g_flush_error = 0;
  }

  int run() {
    const wchar_t* argv[] = {L"driver_setup.exe", L"--install", payload.c_str(), report.c_str()};
    return run_driver_setup(4, argv, Platform{kCom, audio.api(), devices.api(), payload_api.api(), install.api(),
                                              kReport});
  }
  // The installation moves the defaults to the cable, as Windows does when a new device arrives.
  void defaults_move_during_check() {
    payload_api.on_open = [this] { audio.set_defaults(kChanged); };
  }
  std::string final_report(const std::string& status, const std::string& error) const {
    return R"({"status":")" + status + R"(","error":")" + error + R"(","existing_devices":0,"defaults_before":)" +
           json_array(kBaseline) + R"(,"defaults_after":)" + json_array(audio.ids) + "}";
  }

  FakeAudio audio;
  FakeSetupApi devices;
  FakeInstallApi install;
  FakePayloadApi payload_api;
  TempFolder dir;
  const std::wstring payload = payload_fixture(L"payload");
  const std::wstring report = dir / L"out\\report.json";
  std::string report_while_waiting;
};

TEST_F(RunInstallTest, InstallsThenWaitsThenReportsARestartWithTheBaselineOnDisk) {
  EXPECT_EQ(run(), 3010);
  EXPECT_EQ(read_file(report), final_report("installed_restart_required", ""));
  EXPECT_EQ(report_while_waiting, R"({"status":"installing","defaults_before":)" + json_array(kBaseline) + "}");
  EXPECT_EQ(install.update_inf_path, payload + L"\\vbMmeCable64_win10.inf");
  // The baseline reached the disk before the first step towards a change.
  ASSERT_GE(install.calls.size(), 2u);
  EXPECT_EQ(install.calls[0], "FlushFileBuffers");
  EXPECT_EQ(install.calls[1], "IsUserAnAdmin");
  EXPECT_EQ(audio.policy_creations, 0);  // nothing moved: nothing to put back
  EXPECT_EQ(audio.live_objects, 0);
}

TEST_F(RunInstallTest, FailedInstallationPutsTheDefaultsBackBeforeReporting) {
  defaults_move_during_check();
  install.update_error = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(audio.ids, kBaseline);
  EXPECT_EQ(audio.role_calls.size(), 3u);  // the three slots that moved
  EXPECT_EQ(read_file(report), final_report("error", "Install signed VB-CABLE driver (Windows error 2)"));
  EXPECT_TRUE(report_while_waiting.empty());  // a failed installation is not waited for
}

TEST_F(RunInstallTest, FailedRestoreAfterASuccessIsAnErrorWithALeadingSpace) {
  defaults_move_during_check();
  audio.policy_create_result = REGDB_E_CLASSNOTREG;
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(read_file(report), final_report("error", " Cannot restore Windows audio defaults"));
}

TEST_F(RunInstallTest, BaselineThatCannotBeFlushedChangesNothing) {
  g_flush_error = ERROR_DISK_FULL;
  EXPECT_EQ(run(), 1);
  // The final report's flush fails too, but its bytes show the run's error.
  EXPECT_EQ(install.calls, (std::vector<std::string>{"FlushFileBuffers", "FlushFileBuffers"}));
  EXPECT_EQ(read_file(report), final_report("error", "Cannot save the audio baseline before installation"));
}

TEST_F(RunInstallTest, BaselineThatCannotBeSavedChangesNothing) {
  std::filesystem::create_directories(report);  // a folder where the report should be
  defaults_move_during_check();
  EXPECT_EQ(run(), 1);
  EXPECT_TRUE(install.calls.empty());
  EXPECT_EQ(audio.policy_creations, 0);
}

}  // namespace
