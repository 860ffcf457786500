// The wait against a fake clock that only Sleep moves: 30 s run in microseconds.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_setup/audio/restore.h"
#include "tests/unit/fake_audio.h"

namespace {

FakeEndpoint cable(EDataFlow flow = eRender) { return {L"VB-Audio Virtual Cable", flow}; }
const std::vector<FakeEndpoint> kThreeCableEndpoints{cable(), cable(eCapture), {L"Monitor of VB-Audio Virtual Cable A"}};

// Runs the wait; returns the milliseconds it took on the fake clock and checks
// what every run must leave: 250 ms sleeps, each value read cleared, nothing held.
ULONGLONG wait_ms(FakeAudio& audio) {
  const ULONGLONG start = audio.now;
  wait_for_cable_endpoints(audio.api());
  EXPECT_TRUE(std::ranges::all_of(audio.sleeps, [](DWORD ms) { return ms == 250; }));
  EXPECT_EQ(audio.clears, audio.value_reads);
  EXPECT_EQ(audio.live_objects, 0);
  EXPECT_EQ(audio.live_strings, 0);
  return audio.now - start;
}

TEST(WaitForCableEndpoints, ReturnsAtTheFirstPollFiveSecondsIntoAGoodRun) {
  FakeAudio audio;
  audio.endpoints = kThreeCableEndpoints;
  audio.endpoints.push_back({L"Speakers"});
  EXPECT_EQ(wait_ms(audio), 5000u);
  EXPECT_EQ(audio.sleeps.size(), 20u);  // 21 polls: the last one ends the wait
  EXPECT_EQ(audio.value_reads, 21 * 4);
}

TEST(WaitForCableEndpoints, GivesUpAfterThirtySecondsWithoutTheCable) {
  for (const auto& machine : {std::vector<FakeEndpoint>{}, {{L"Speakers"}, {L"Microphone", eCapture}}}) {
    FakeAudio audio;
    audio.endpoints = machine;
    EXPECT_EQ(wait_ms(audio), 30000u);
    EXPECT_EQ(audio.sleeps.size(), 120u);  // polls at 0, 250, ..., 29750
  }
}

// Two cable endpoints that count plus one that must not: the wait times out
// exactly when the third is not counted.
TEST(WaitForCableEndpoints, CountsOnlyActiveEndpointsWhoseAdapterNameHoldsTheCableName) {
  std::vector<FakeEndpoint> not_counted(10, cable());
  not_counted[0].adapter = L"vb-audio virtual cable";
  not_counted[1].adapter = L"VB-Audio Virtual";
  not_counted[2].type = VT_BSTR;
  not_counted[3].type = VT_EMPTY;
  not_counted[4].null_name = true;
  not_counted[5].value_result = E_FAIL;
  not_counted[6].store_result = E_OUTOFMEMORY;
  not_counted[7].item_result = E_INVALIDARG;
  not_counted[8].state = DEVICE_STATE_DISABLED;
  not_counted[9].state = DEVICE_STATE_UNPLUGGED | DEVICE_STATE_NOTPRESENT;
  for (std::size_t i = 0; i < not_counted.size(); ++i) {
    FakeAudio audio;
    audio.endpoints = {cable(eCapture), {L"Line (VB-Audio Virtual Cable 16ch)"}, not_counted[i]};
    EXPECT_EQ(wait_ms(audio), 30000u) << "endpoint " << i;
  }
}

// A bad poll at 1000 ms starts the window again at the next good one, 1250 ms.
TEST(WaitForCableEndpoints, ABadPollRestartsTheFiveSeconds) {
  const std::vector<std::function<void(FakeAudio&, bool)>> bad_polls = {
      [](FakeAudio& a, bool bad) { a.endpoints.resize(bad ? 2 : 3, cable()); },
      [](FakeAudio& a, bool bad) { a.create_result = bad ? REGDB_E_CLASSNOTREG : S_OK; },
      [](FakeAudio& a, bool bad) { a.list_result = bad ? E_OUTOFMEMORY : S_OK; },
      [](FakeAudio& a, bool bad) { a.count_result = bad ? E_FAIL : S_OK; },
      [](FakeAudio& a, bool bad) { a.null_enumerator = bad; },
      [](FakeAudio& a, bool bad) { a.null_collection = bad; },
  };
  for (std::size_t kind = 0; kind < bad_polls.size(); ++kind) {
    FakeAudio audio;
    audio.endpoints = kThreeCableEndpoints;
    audio.on_sleep = [&] { bad_polls[kind](audio, audio.sleeps.size() == 4); };
    EXPECT_EQ(wait_ms(audio), 6250u) << "kind " << kind;
  }
}

// An endpoint or a property store handed out as null is skipped; the rest still count.
TEST(WaitForCableEndpoints, NullEndpointsAndStoresAreSkipped) {
  FakeAudio audio;
  audio.endpoints = {cable(), cable()};
  audio.endpoints[0].null_item = true;
  audio.endpoints[1].null_store = true;
  audio.endpoints.insert(audio.endpoints.end(), kThreeCableEndpoints.begin(), kThreeCableEndpoints.end());
  EXPECT_EQ(wait_ms(audio), 5000u);
}

TEST(WaitForCableEndpoints, AGoodRunThatCannotLastFiveSecondsEndsAtTheLimit) {
  FakeAudio audio;
  audio.on_sleep = [&] {
    if (audio.sleeps.size() == 104) audio.endpoints = kThreeCableEndpoints;  // from 26000 ms on
  };
  EXPECT_EQ(wait_ms(audio), 30000u);
}

TEST(WaitForCableEndpoints, PropertyValueOwnerClearsOnceAndKeepsTheLastError) {
  static int clears = 0;
  {
    PropVariant value([](PROPVARIANT* v) {
      ++clears;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return PropVariantClear(v);
    });
    value.put()->vt = VT_LPWSTR;
    value.put()->pwszVal = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(wchar_t)));
    SetLastError(0xdeadbeef);
  }
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);
  EXPECT_EQ(clears, 1);
}

}  // namespace
