#include <gtest/gtest.h>

#include "driver_setup/audio/default_endpoints.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/test_support.h"

namespace {

// Every COM object and identity string handed out has been given back.
void expect_all_released(const FakeAudio& audio) {
  EXPECT_EQ(audio.live_objects, 0);
  EXPECT_EQ(audio.live_strings, 0);
}

TEST(SnapshotDefaultEndpoints, FillsSlotsInFlowThenRoleOrder) {
  FakeAudio audio;
  audio.set_defaults({L"r-console", L"r-multimedia", L"r-comms", L"c-console", L"c-multimedia", L"c-comms"});
  EXPECT_EQ(snapshot_default_endpoints(audio.api()),
            (DefaultEndpointSet{L"r-console", L"r-multimedia", L"r-comms", L"c-console", L"c-multimedia",
                                L"c-comms"}));
  EXPECT_EQ(audio.context, static_cast<DWORD>(CLSCTX_ALL));
  const CLSID enumerator_class{0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
  const IID enumerator_interface{0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
  EXPECT_EQ(audio.clsid, enumerator_class);
  EXPECT_EQ(audio.iid, enumerator_interface);
  expect_all_released(audio);
}

TEST(SnapshotDefaultEndpoints, MissingDefaultsAreEmptySlotsAndIdentitiesStayExact) {
  FakeAudio audio;
  audio.set_defaults({L"Spk", L"spk", L"Spk", L"", L"", L""});
  EXPECT_EQ(snapshot_default_endpoints(audio.api()), (DefaultEndpointSet{L"Spk", L"spk", L"Spk", L"", L"", L""}));
  expect_all_released(audio);
}

TEST(SnapshotDefaultEndpoints, EnumeratorThatCannotBeCreated) {
  FakeAudio audio;
  audio.create_result = REGDB_E_CLASSNOTREG;
  EXPECT_EQ(error_of([&] { snapshot_default_endpoints(audio.api()); }), "Cannot enumerate default audio endpoints");
  expect_all_released(audio);
}

TEST(SnapshotDefaultEndpoints, OnlyNotFoundMeansNoDefault) {
  for (HRESULT hr : {E_FAIL, E_OUTOFMEMORY, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), E_UNEXPECTED}) {
    FakeAudio audio;
    audio.set_defaults({L"a", L"b", L"c", L"d", L"e", L"f"});
    audio.default_result[4] = hr;
    EXPECT_EQ(error_of([&] { snapshot_default_endpoints(audio.api()); }), "Cannot read a default audio endpoint")
        << std::hex << hr;
    expect_all_released(audio);
  }
}

TEST(SnapshotDefaultEndpoints, IdentityThatCannotBeReadOrIsNoString) {
  for (const bool fails : {true, false}) {
    FakeAudio audio;
    audio.set_defaults({L"a", L"b", L"c", L"d", L"e", L"f"});
    if (fails)
      audio.id_result[2] = E_OUTOFMEMORY;
    else
      audio.null_id[2] = true;
    EXPECT_EQ(error_of([&] { snapshot_default_endpoints(audio.api()); }), "Cannot read endpoint identity") << fails;
    expect_all_released(audio);
  }
}

TEST(SnapshotDefaultEndpoints, SuccessWithoutAnObjectFailsItsStep) {
  for (const bool enumerator : {true, false}) {
    FakeAudio audio;
    audio.set_defaults({L"a", L"b", L"c", L"d", L"e", L"f"});
    audio.null_enumerator = enumerator;
    audio.null_default[4] = !enumerator;
    EXPECT_EQ(error_of([&] { snapshot_default_endpoints(audio.api()); }),
              enumerator ? "Cannot enumerate default audio endpoints" : "Cannot read a default audio endpoint");
    expect_all_released(audio);
  }
}

TEST(SnapshotDefaultEndpoints, SuccessCodesOtherThanZeroStillGiveAnEndpoint) {
  FakeAudio audio;
  audio.set_defaults({L"a", L"", L"", L"", L"", L""});
  audio.default_result[0] = S_FALSE;
  EXPECT_EQ(snapshot_default_endpoints(audio.api())[0], L"a");
  expect_all_released(audio);
}

}  // namespace
