// The run flow reaches the payload check through its platform, before anything is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver_setup/run.h"
#include "tests/payload/fake_payload_api.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/fake_lock.h"
#include "tests/unit/test_support.h"

namespace {

HRESULT WINAPI co_initialize_ex(LPVOID, DWORD) { return S_OK; }
void WINAPI co_uninitialize() {}
const ComApi kCom{co_initialize_ex, co_uninitialize};

class RunPayloadTest : public testing::Test {
 protected:
  int run(const wchar_t* verb) {
    const wchar_t* argv[] = {L"driver_setup.exe", verb, payload.c_str(), report.c_str()};
    return run_driver_setup(4, argv, Platform{kCom, audio.api(), devices.api(), fake.api(), real_install_api(),
                                              real_report_api(), lock.api()});
  }

  FakeAudio audio;
  FakeSetupApi devices;
  FakePayloadApi fake;
  FakeLock lock;  // not the machine's: another test's run must not hold this one up
  TempFolder dir;
  const std::wstring payload = dir / L"payload";
  const std::wstring report = dir / L"out\\report.json";
};

TEST_F(RunPayloadTest, VerifyReportsTheChecksMessage) {
  fake.open_status = static_cast<NTSTATUS>(0xC0000225);
  EXPECT_EQ(run(L"--verify"), 1);
  EXPECT_EQ(read_file(report).rfind(R"({"status":"error","error":"SHA256 unavailable",)", 0), 0u) << read_file(report);
}

TEST_F(RunPayloadTest, InstallChecksThePayloadBeforeWritingAnything) {
  bool report_folder_existed = true;
  fake.on_open = [&] { report_folder_existed = std::filesystem::exists(dir / L"out"); };
  fake.open_status = static_cast<NTSTATUS>(0xC0000225);
  EXPECT_EQ(run(L"--install"), 1);
  EXPECT_FALSE(report_folder_existed);
  EXPECT_EQ(read_file(report).rfind(R"({"status":"error","error":"SHA256 unavailable",)", 0), 0u) << read_file(report);
}

}  // namespace
