// Removal of Lumetta's cable devices and their driver packages, against fakes
// that follow Microsoft's pages. Wine keeps no driver store, lists every
// registered device as present and needs no restart, so the store's refusal,
// a device that is not present, a restart request and the failures are shown
// here; tests/integration/install_cable_device.sh shows the rest on Wine.
#include <gtest/gtest.h>

#include "driver_setup/devices/install_guards.h"
#include "driver_setup/devices/uninstall.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/test_support.h"

namespace {

const std::wstring kOurs = L"driver_setup 0.9.0";  // an older helper's mark counts too

FakeDevice cable(const wchar_t* id, std::optional<std::wstring> mark, const wchar_t* package = L"") {
  FakeDevice d{multi_string({L"VBAudioVACWDM"}), 0, id};
  d.status = 0x0180200A;
  d.mark = std::move(mark);
  d.package = package;
  return d;
}

template <typename F>
FakeDevice with(FakeDevice d, F change) {
  change(d);
  return d;
}

struct UninstallCase {
  const char* name;
  std::vector<FakeDevice> devices;
  std::string outcome;  // "restart", "no restart" or the message
  std::vector<std::wstring> remaining;
  std::set<std::wstring> store_after;
  size_t deletions;
  void (*arrange)(FakeSetupApi&, FakeInstallApi&) = nullptr;
};

const std::set<std::wstring> kStore = {L"oem5.inf", L"oem7.inf", L"wdma_usb.inf"};
const std::set<std::wstring> kWithout5 = {L"oem7.inf", L"wdma_usb.inf"};

class UninstallCableDevices : public testing::TestWithParam<UninstallCase> {};

TEST_P(UninstallCableDevices, RemovesOnlyMarkedCablesAndPackagesNoDeviceUses) {
  const UninstallCase& c = GetParam();
  FakeSetupApi devices;
  devices.devices = c.devices;
  devices.driver_store = kStore;
  FakeInstallApi guards;
  if (c.arrange) c.arrange(devices, guards);
  SetLastError(0xdeadbeef);
  std::string outcome;
  try {
    outcome = uninstall_cable_devices(devices.api(), guards.api()) ? "restart" : "no restart";
  } catch (const std::exception& e) {
    outcome = e.what();
  }
  EXPECT_EQ(outcome, c.outcome);
  EXPECT_EQ(devices.remaining(), c.remaining);
  EXPECT_EQ(devices.driver_store, c.store_after);
  EXPECT_EQ(devices.package_deletions.size(), c.deletions);
  EXPECT_EQ(devices.sets_destroyed, devices.sets_open);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, UninstallCableDevices,
    testing::Values(
        UninstallCase{"NothingOfOurs",
                      {cable(L"R\\0", std::nullopt, L"oem7.inf"),
                       with(cable(L"R\\1", kOurs), [](FakeDevice& d) { d.hardware_ids = multi_string({L"other"}); })},
                      "no restart", {L"R\\0", L"R\\1"}, kStore, 0},
        // Another product's device uses the same package: Windows keeps it, and that is no failure.
        UninstallCase{"OursBesideAnotherProductsOnOnePackage",
                      {cable(L"R\\0", kOurs, L"oem5.inf"), cable(L"R\\1", std::nullopt, L"OEM5.INF")},
                      "no restart", {L"R\\1"}, kStore, 1},
        UninstallCase{"TwoOfOursShareAPackageDeletedOnce",
                      {cable(L"R\\0", kOurs, L"oem5.inf"), cable(L"R\\1", kOurs, L"oem5.inf")},
                      "no restart", {}, kWithout5, 1},
        UninstallCase{"NotPresentAndWithoutDriver",
                      {with(cable(L"R\\0", kOurs), [](FakeDevice& d) { d.node_result = CR_NO_SUCH_DEVINST; })},
                      "no restart", {}, kStore, 0},
        UninstallCase{"InboxDriverIsNoPackageOfOurs", {cable(L"R\\0", kOurs, L"wdma_usb.inf")}, "no restart", {},
                      kStore, 0},
        UninstallCase{"RemovalAsksForARestart",
                      {cable(L"R\\0", kOurs, L"oem7.inf"),
                       with(cable(L"R\\1", kOurs, L"oem5.inf"), [](FakeDevice& d) { d.restart_flags = DI_NEEDREBOOT; })},
                      "restart", {}, {L"wdma_usb.inf"}, 2},
        // The element went with its device (ERROR_NO_SUCH_DEVINST): nothing pending. Unreadable otherwise: a restart.
        UninstallCase{"ElementGoneWithItsDevice",
                      {with(cable(L"R\\0", kOurs), [](FakeDevice& d) { d.install_params_error = 0xE000020B; })},
                      "no restart", {}, kStore, 0},
        UninstallCase{"RemovalLeavesItsAnswerUnreadable",
                      {with(cable(L"R\\0", kOurs), [](FakeDevice& d) { d.install_params_error = ERROR_INVALID_HANDLE; })},
                      "restart", {}, kStore, 0},
        // The failed device and its package stay; what was removed before keeps no
        // package that no device names any more.
        UninstallCase{"LaterRemovalFails",
                      {cable(L"R\\0", kOurs, L"oem7.inf"),
                       with(cable(L"R\\1", kOurs, L"oem5.inf"), [](FakeDevice& d) { d.remove_error = 0xE000020B; })},
                      "Remove VB-CABLE device (Windows error 3758096907)", {L"R\\1"}, {L"oem5.inf", L"wdma_usb.inf"}, 1},
        UninstallCase{"StoreFails", {cable(L"R\\0", kOurs, L"oem5.inf")},
                      "Delete VB-CABLE driver package (Windows error 5)", {}, kStore, 1,
                      [](FakeSetupApi& d, FakeInstallApi&) { d.store_error = ERROR_ACCESS_DENIED; }},
        UninstallCase{"MarkUnreadable",
                      {with(cable(L"R\\0", kOurs), [](FakeDevice& d) { d.mark_error = ERROR_NOT_ENOUGH_MEMORY; })},
                      "Read VB-CABLE mark (Windows error 8)", {L"R\\0"}, kStore, 0},
        UninstallCase{"NotAdministrator", {cable(L"R\\0", kOurs, L"oem5.inf")},
                      "Administrator permission required (Windows error 3735928559)", {L"R\\0"}, kStore, 0,
                      [](FakeSetupApi&, FakeInstallApi& g) { g.admin = FALSE; }},
        UninstallCase{"GameRunning", {cable(L"R\\0", kOurs, L"oem5.inf")}, kRemovalGameRefusal, {L"R\\0"}, kStore, 0,
                      [](FakeSetupApi&, FakeInstallApi& g) { g.processes.push_back(L"Rocksmith2014.exe"); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
