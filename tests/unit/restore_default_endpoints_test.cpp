// Wine has no audio policy object (creating it answers 0x80040154), so every
// path that applies a default is shown here against the fakes.
#include <gtest/gtest.h>

#include "driver_setup/audio/default_endpoint_policy.h"
#include "driver_setup/audio/restore.h"
#include "driver_setup/run.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/test_support.h"

namespace {

using Calls = std::vector<std::pair<std::wstring, ERole>>;
const std::string kNotFullyRestored =
    "Windows audio defaults could not be fully restored; see defaults_before in this report";

const std::wstring spk = render_id(L"spk"), hdp = render_id(L"hdp");
const std::wstring mic = capture_id(L"mic"), cam = capture_id(L"cam");
const DefaultEndpointSet kMachine{spk, spk, spk, mic, mic, mic};

// Everything handed out has come back, whatever the path.
void expect_all_released(const FakeAudio& audio) {
  EXPECT_EQ(audio.live_objects, 0);
  EXPECT_EQ(audio.live_strings, 0);
}

int snapshots(const FakeAudio& audio) { return audio.creations - audio.policy_creations; }

TEST(RestoreDefaultEndpoints, EqualSetsNeedNoPolicyObject) {
  for (const DefaultEndpointSet& set : {kMachine, DefaultEndpointSet{}, DefaultEndpointSet{spk, L"", hdp}}) {
    FakeAudio audio;
    audio.set_defaults(set);
    restore_default_endpoints(set, audio.api());
    EXPECT_EQ(audio.policy_creations, 0);
    EXPECT_EQ(snapshots(audio), 1);
    expect_all_released(audio);
  }
}

TEST(RestoreDefaultEndpoints, AppliesOnlyDifferingSlotsWithTheRoleOfTheirColumn) {
  FakeAudio audio;
  audio.set_defaults(kMachine);
  const DefaultEndpointSet wanted{hdp, spk, spk, mic, cam, mic};
  restore_default_endpoints(wanted, audio.api());
  EXPECT_EQ(audio.role_calls, (Calls{{hdp, eConsole}, {cam, eMultimedia}}));
  EXPECT_EQ(audio.ids, wanted);
  EXPECT_EQ(snapshots(audio), 2);
  EXPECT_EQ(audio.context, static_cast<DWORD>(CLSCTX_ALL));
  expect_all_released(audio);
}

TEST(RestoreDefaultEndpoints, EmptyWantedSlotsAreNeverAppliedButStillChecked) {
  FakeAudio audio;
  audio.set_defaults(kMachine);
  EXPECT_EQ(error_of([&] { restore_default_endpoints({hdp, hdp, hdp, L"", L"", L""}, audio.api()); }),
            kNotFullyRestored);
  EXPECT_EQ(audio.role_calls, (Calls{{hdp, eConsole}, {hdp, eMultimedia}, {hdp, eCommunications}}));
  EXPECT_EQ(snapshots(audio), 2);
  expect_all_released(audio);
}

TEST(RestoreDefaultEndpoints, ARefusedSlotDoesNotStopTheOthersAndSkipsTheCheck) {
  FakeAudio audio;
  audio.set_defaults(kMachine);
  audio.set_role_result[1] = E_ACCESSDENIED;
  EXPECT_EQ(error_of([&] { restore_default_endpoints({hdp, hdp, hdp, cam, cam, cam}, audio.api()); }),
            kNotFullyRestored);
  EXPECT_EQ(audio.role_calls, (Calls{{hdp, eConsole}, {hdp, eMultimedia}, {hdp, eCommunications},
                                     {cam, eConsole}, {cam, eMultimedia}, {cam, eCommunications}}));
  EXPECT_EQ(audio.ids, (DefaultEndpointSet{hdp, spk, hdp, cam, cam, cam}));
  EXPECT_EQ(snapshots(audio), 1);
  expect_all_released(audio);
}

TEST(RestoreDefaultEndpoints, AcceptedChangesThatDidNotHappen) {
  FakeAudio audio;
  audio.set_defaults(kMachine);
  audio.policy_changes_defaults = false;
  EXPECT_EQ(error_of([&] { restore_default_endpoints({hdp, spk, spk, mic, mic, mic}, audio.api()); }),
            kNotFullyRestored);
  EXPECT_EQ(audio.role_calls.size(), 1u);
  expect_all_released(audio);
}

TEST(RestoreDefaultEndpoints, FailuresToStartReportTheirOwnText) {
  {
    FakeAudio audio;  // as on Wine: the policy class is not registered
    audio.set_defaults(kMachine);
    audio.policy_create_result = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(error_of([&] { restore_default_endpoints({hdp, spk, spk, mic, mic, mic}, audio.api()); }),
              "Cannot restore Windows audio defaults");
    EXPECT_TRUE(audio.role_calls.empty());
    expect_all_released(audio);
  }
  {
    FakeAudio audio;  // the snapshot's own message passes unchanged
    audio.set_defaults(kMachine);
    audio.id_result[4] = E_OUTOFMEMORY;
    EXPECT_EQ(error_of([&] { restore_default_endpoints(kMachine, audio.api()); }), "Cannot read endpoint identity");
    EXPECT_EQ(audio.policy_creations, 0);
    expect_all_released(audio);
  }
}

TEST(RestoreDefaultEndpoints, PolicyObjectHandedOutAsNullFailsToStart) {
  FakeAudio audio;
  audio.set_defaults(kMachine);
  audio.null_policy = true;
  EXPECT_EQ(error_of([&] { restore_default_endpoints({hdp, spk, spk, mic, mic, mic}, audio.api()); }),
            "Cannot restore Windows audio defaults");
  expect_all_released(audio);
}

// The declaration must put SetRoleDefault at entry 13 of the table, counted
// from 0: call that entry the way the real object's caller would.
TEST(RestoreDefaultEndpoints, SetRoleDefaultIsTheFourteenthTableEntry) {
  FakeAudio audio;
  IDefaultEndpointPolicy* policy = nullptr;
  ASSERT_EQ(audio.api().co_create_instance(kDefaultEndpointPolicyClass, nullptr, CLSCTX_ALL,
                                           kDefaultEndpointPolicyInterface, reinterpret_cast<void**>(&policy)),
            S_OK);
  using Entry = HRESULT(STDMETHODCALLTYPE*)(IDefaultEndpointPolicy*, LPCWSTR, ERole);
  const auto table = *reinterpret_cast<Entry* const*>(policy);
  EXPECT_EQ(table[13](policy, mic.c_str(), eCommunications), S_OK);
  EXPECT_EQ(audio.role_calls, (Calls{{mic, eCommunications}}));
  EXPECT_EQ(audio.unused_policy_calls, 0);
  EXPECT_EQ(policy->Release(), 0u);
  expect_all_released(audio);
}

// The command waits and restores through the run's platform, not the real one:
// the fake clock moves by the 5 s settling time and the fake policy is used.
TEST(RestoreCommand, WaitsThenMakesTheSixArgumentsTheDefaults) {
  FakeAudio audio;
  FakeSetupApi devices;
  TempFolder dir;
  audio.set_defaults(kMachine);
  audio.endpoints = {{L"VB-Audio Virtual Cable"}, {L"VB-Audio Virtual Cable", eCapture}, {L"VB-Audio Virtual Cable"}};
  const ComApi com{[](LPVOID, DWORD) { return S_OK; }, [] {}};
  const std::wstring report = dir / L"report.json";
  const std::vector<const wchar_t*> argv{L"driver_setup.exe", L"--restore", hdp.c_str(), spk.c_str(), spk.c_str(),
                                         mic.c_str(), mic.c_str(), mic.c_str(), report.c_str()};
  const ULONGLONG start = audio.now;
  EXPECT_EQ(run_driver_setup(static_cast<int>(argv.size()), argv.data(), {com, audio.api(), devices.api()}), 0);
  EXPECT_EQ(audio.now - start, 5000u);
  EXPECT_EQ(audio.role_calls, (Calls{{hdp, eConsole}}));
  const std::string s = "\"{0.0.0.00000000}.{spk}\"", h = "\"{0.0.0.00000000}.{hdp}\"", m = "\"{0.0.1.00000000}.{mic}\"";
  EXPECT_EQ(read_file(report), R"({"status":"defaults_restored","error":"","existing_devices":0,"defaults_before":[)" +
                                   s + "," + s + "," + s + "," + m + "," + m + "," + m + R"(],"defaults_after":[)" +
                                   h + "," + s + "," + s + "," + m + "," + m + "," + m + "]}");
  expect_all_released(audio);
}

}  // namespace
