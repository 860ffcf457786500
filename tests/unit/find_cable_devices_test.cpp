#include <gtest/gtest.h>

#include "driver_setup/devices/cable_device.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/test_support.h"

// Whole records, for comparing what the inventory found.
bool operator==(const CableDevice& a, const CableDevice& b) {
  return a.instance_id == b.instance_id && a.status == b.status && a.problem == b.problem;
}

namespace {

std::vector<std::wstring> ids_of(const std::vector<CableDevice>& devices) {
  std::vector<std::wstring> ids;
  for (const auto& d : devices) ids.push_back(d.instance_id);
  return ids;
}

FakeDevice cable(const std::wstring& instance, std::initializer_list<std::wstring> hardware_ids) {
  FakeDevice d;
  d.instance_id = instance;
  d.hardware_ids = multi_string(hardware_ids);
  return d;
}

TEST(FindCableDevices, EmptyClassIsNoErrorAndAsksForEveryRegisteredDevice) {
  FakeSetupApi fake;
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(find_cable_devices(fake.api()).empty());
  EXPECT_EQ(fake.opened_class, kMediaDeviceClass);
  EXPECT_EQ(fake.open_flags, 0u);  // no DIGCF_PRESENT: absent devices count too
  EXPECT_FALSE(fake.open_had_enumerator_or_window);
  EXPECT_EQ(fake.sets_open, 1);
  EXPECT_EQ(fake.sets_destroyed, 1);
}

TEST(FindCableDevices, MatchesWholeEntriesFoldingOnlyAsciiCase) {
  FakeSetupApi fake;
  FakeDevice no_ids;
  no_ids.hardware_id_error = ERROR_INVALID_DATA;
  fake.devices = {
      cable(L"A", {L"vbaudiovacwdm"}),
      cable(L"prefix", {L"ROOT\\VBAudioVACWDM"}),
      cable(L"B", {L"VBAUDIOVACWDM"}),
      cable(L"suffix", {L"VBAudioVACWDM0"}),
      no_ids,
      cable(L"C", {L"Other", L"VBAudioVACWDM"}),
      cable(L"missing letter", {L"VBAudioVACDM"}),
      cable(L"empty", {}),
      cable(L"D", {L"VBAudioVACWDM", L"x", L"VBAudioVACWDM"}),
      // U+0130 folds to 'i' only under locale-aware rules, which hardware IDs do not use.
      cable(L"non-ascii fold", {L"VBAud\u0130oVACWDM"}),
  };
  EXPECT_EQ(ids_of(find_cable_devices(fake.api())), (std::vector<std::wstring>{L"A", L"B", L"C", L"D"}));
  EXPECT_EQ(fake.property_sizes, std::vector<DWORD>(fake.devices.size(), 16384u));
  EXPECT_EQ(fake.instance_id_sizes, std::vector<DWORD>(4, 200u));
  EXPECT_FALSE(fake.size_outputs_requested);
  EXPECT_FALSE(fake.bad_devinfo_size);
  EXPECT_EQ(fake.sets_destroyed, 1);
}

TEST(FindCableDevices, KeepsNodeStatusAndMarksUnqueryableNodes) {
  FakeSetupApi fake;
  FakeDevice started = cable(L"started", {kCableHardwareId});
  started.status = 0x0180200A;
  FakeDevice disabled = cable(L"disabled", {kCableHardwareId});
  disabled.status = 0x01802400;
  disabled.problem = 22;  // CM_PROB_DISABLED
  FakeDevice absent = cable(L"absent", {kCableHardwareId});
  absent.node_result = CR_NO_SUCH_DEVINST;
  fake.devices = {started, disabled, absent};
  EXPECT_EQ(find_cable_devices(fake.api()), (std::vector<CableDevice>{
                                                {L"started", 0x0180200A, 0},
                                                {L"disabled", 0x01802400, 22},
                                                {L"absent", 0, 0xFFFFFFFF},
                                            }));
}

TEST(FindCableDevices, ValueFillingTheWholeBufferIsReadOnlyUpToItsEnd) {
  FakeSetupApi fake;
  // 8,192 characters without the closing empty entry: the last entry ends at the buffer's end.
  std::wstring full(8192 - 13 - 1, L'x');
  full += L'\0';
  full += kCableHardwareId;
  fake.devices = {FakeDevice{full}, FakeDevice{std::wstring(8192, L'y')}};
  fake.devices[0].instance_id = L"unterminated";
  EXPECT_EQ(ids_of(find_cable_devices(fake.api())), std::vector<std::wstring>{L"unterminated"});
}

TEST(FindCableDevices, BufferIsClearedBeforeEachRead) {
  FakeSetupApi fake;
  // A short value without its closing entry must not run on into what the previous device left.
  fake.devices = {cable(L"first", {L"ABCDEFGHIJKLMNOP", kCableHardwareId}), FakeDevice{std::wstring(L"X")}};
  fake.devices[1].instance_id = L"second";
  EXPECT_EQ(ids_of(find_cable_devices(fake.api())), std::vector<std::wstring>{L"first"});
}

struct FailureCase {
  const char* name;
  void (*arrange)(FakeSetupApi&);
  const char* message;
  int sets_destroyed;
};

class FindCableDevicesFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(FindCableDevicesFailure, RaisesTheStepWithItsCodeAndReleasesTheSet) {
  FakeSetupApi fake;
  GetParam().arrange(fake);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(error_of([&] { find_cable_devices(fake.api()); }), GetParam().message);
  EXPECT_EQ(fake.sets_destroyed, GetParam().sets_destroyed);
  EXPECT_EQ(fake.sets_open, GetParam().sets_destroyed);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FindCableDevicesFailure,
    testing::Values(
        FailureCase{"OpenFails", [](FakeSetupApi& f) { f.open_error = ERROR_ACCESS_DENIED; },
                    "SetupDiGetClassDevs (Windows error 5)", 0},
        FailureCase{"ListTooLong",
                    [](FakeSetupApi& f) {
                      f.devices = {cable(L"a", {std::wstring(8200, L'z'), kCableHardwareId})};
                    },
                    "Read existing hardware IDs (Windows error 122)", 1},
        FailureCase{"PropertyOtherError",
                    [](FakeSetupApi& f) {
                      f.devices = {FakeDevice{}};
                      f.devices[0].hardware_id_error = ERROR_NOT_FOUND;
                    },
                    "Read existing hardware IDs (Windows error 1168)", 1},
        FailureCase{"IdentityFails",
                    [](FakeSetupApi& f) {
                      f.devices = {cable(L"a", {kCableHardwareId})};
                      f.devices[0].instance_id_error = ERROR_INVALID_HANDLE;
                    },
                    "Read device identity (Windows error 6)", 1},
        FailureCase{"EnumerationEndsWithAnotherError",
                    [](FakeSetupApi& f) {
                      f.devices = {cable(L"a", {kCableHardwareId})};
                      f.end_error = 0xE000020B;  // ERROR_NO_SUCH_DEVINST, top bit set
                    },
                    "SetupDiEnumDeviceInfo (Windows error 3758096907)", 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
