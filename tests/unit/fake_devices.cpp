#include "tests/unit/fake_devices.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <cstring>

namespace {

FakeSetupApi* g_current = nullptr;
const auto kFakeSet = reinterpret_cast<HDEVINFO>(0x5e7);
constexpr DEVINST kFirstNode = 100;

FakeDevice& device_of(const SP_DEVINFO_DATA* data) {
  return FakeSetupApi::current().devices.at(data->DevInst - kFirstNode);
}

BOOL fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

HDEVINFO WINAPI fake_get_class_devs(const GUID* cls, PCWSTR enumerator, HWND parent, DWORD flags) {
  FakeSetupApi& fake = FakeSetupApi::current();
  fake.opened_class = *cls;
  fake.open_flags = flags;
  fake.open_had_enumerator_or_window = enumerator || parent;
  if (fake.open_error) {
    SetLastError(fake.open_error);
    return INVALID_HANDLE_VALUE;
  }
  ++fake.sets_open;
  return kFakeSet;
}

BOOL WINAPI fake_enum_device_info(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) {
  FakeSetupApi& fake = FakeSetupApi::current();
  EXPECT_TRUE(set == kFakeSet);
  // Windows refuses a structure whose size field is not set.
  if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
    fake.bad_devinfo_size = true;
    return fail(ERROR_INVALID_USER_BUFFER);
  }
  if (index >= fake.devices.size()) return fail(fake.end_error);
  data->DevInst = kFirstNode + index;
  return TRUE;
}

BOOL WINAPI fake_get_property(HDEVINFO, SP_DEVINFO_DATA* data, DWORD property, DWORD* type, BYTE* buffer,
                              DWORD size, DWORD* required) {
  FakeSetupApi& fake = FakeSetupApi::current();
  EXPECT_TRUE(property == SPDRP_HARDWAREID);
  fake.property_sizes.push_back(size);
  fake.size_outputs_requested |= type || required;
  const FakeDevice& device = device_of(data);
  if (device.hardware_id_error) return fail(device.hardware_id_error);
  const DWORD bytes = static_cast<DWORD>(device.hardware_ids.size() * sizeof(wchar_t));
  if (bytes > size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, device.hardware_ids.data(), bytes);
  return TRUE;
}

BOOL WINAPI fake_get_instance_id(HDEVINFO, SP_DEVINFO_DATA* data, PWSTR buffer, DWORD size, DWORD* required) {
  FakeSetupApi& fake = FakeSetupApi::current();
  fake.instance_id_sizes.push_back(size);
  fake.size_outputs_requested |= required != nullptr;
  const FakeDevice& device = device_of(data);
  if (device.instance_id_error) return fail(device.instance_id_error);
  if (device.instance_id.size() >= size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(device.instance_id.begin(), device.instance_id.end(), buffer);
  buffer[device.instance_id.size()] = L'\0';
  return TRUE;
}

CONFIGRET WINAPI fake_get_node_status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) {
  EXPECT_TRUE(flags == 0);
  const FakeDevice& device = FakeSetupApi::current().devices.at(node - kFirstNode);
  if (device.node_result != CR_SUCCESS) {
    *status = *problem = 0xAAAAAAAA;  // undefined on failure: the caller must not keep it
    return device.node_result;
  }
  *status = device.status;
  *problem = device.problem;
  return CR_SUCCESS;
}

BOOL WINAPI fake_destroy(HDEVINFO set) {
  EXPECT_TRUE(set == kFakeSet);
  ++FakeSetupApi::current().sets_destroyed;
  SetLastError(ERROR_SUCCESS);  // clean-up must not disturb a code being reported
  return TRUE;
}

}  // namespace

std::wstring multi_string(std::initializer_list<std::wstring> entries) {
  std::wstring text;
  for (const auto& entry : entries) text += entry + L'\0';
  return text + L'\0';
}

FakeSetupApi::FakeSetupApi()
    : api_{fake_get_class_devs, fake_enum_device_info, fake_get_property,
           fake_get_instance_id, fake_get_node_status, fake_destroy} {
  EXPECT_TRUE(g_current == nullptr);
  g_current = this;
}

FakeSetupApi::~FakeSetupApi() { g_current = nullptr; }

FakeSetupApi& FakeSetupApi::current() { return *g_current; }
