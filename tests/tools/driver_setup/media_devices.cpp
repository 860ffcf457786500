// Test tool: registers MEDIA-class devices with chosen hardware IDs in the
// current Wine prefix, or removes them all again.
//   media_devices add [--marked] ID [ID...]
//                                  one device whose hardware-ID list is the IDs;
//                                  --marked gives it Lumetta's mark, as an
//                                  installation cut short before the driver leaves it
//   media_devices clear            removes every MEDIA device
//   media_devices list             one line per MEDIA device: instance ID, a tab,
//                                  the description, a tab, the hardware IDs joined by ';'
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver_setup/devices/cable_mark.h"
#include "driver_setup/devices/install_api.h"  // SetupDiSetDevicePropertyW

namespace {

const GUID kMedia = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

int fail(const char* step) {
  std::fprintf(stderr, "%s failed: %lu\n", step, GetLastError());
  return 1;
}

int add(bool marked, int count, wchar_t** ids) {
  std::wstring list;
  for (int i = 0; i < count; ++i) list += std::wstring(ids[i]) + L'\0';
  list += L'\0';
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kMedia, nullptr);
  if (set == INVALID_HANDLE_VALUE) return fail("SetupDiCreateDeviceInfoList");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  int rc = 0;
  if (!SetupDiCreateDeviceInfoW(set, L"MEDIA", &kMedia, L"test device", nullptr, DICD_GENERATE_ID, &device))
    rc = fail("SetupDiCreateDeviceInfoW");
  else if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE*>(list.data()),
                                              static_cast<DWORD>(list.size() * sizeof(wchar_t))))
    rc = fail("SetupDiSetDeviceRegistryPropertyW");
  else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device))
    rc = fail("DIF_REGISTERDEVICE");
  else if (std::wstring mark = kCableMarkValue;
           marked && !SetupDiSetDevicePropertyW(set, &device, &kCableMarkKey, DEVPROP_TYPE_STRING,
                                                reinterpret_cast<BYTE*>(mark.data()),
                                                static_cast<DWORD>((mark.size() + 1) * sizeof(wchar_t)), 0))
    rc = fail("SetupDiSetDevicePropertyW");
  SetupDiDestroyDeviceInfoList(set);
  return rc;
}

// Calls visit(set, device) for every MEDIA device, present or not.
template <typename Visit>
int for_each_device(Visit visit) {
  HDEVINFO set = SetupDiGetClassDevsW(&kMedia, nullptr, nullptr, 0);
  if (set == INVALID_HANDLE_VALUE) return fail("SetupDiGetClassDevsW");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) visit(set, device);
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}

int clear() {
  return for_each_device(
      [](HDEVINFO set, SP_DEVINFO_DATA& device) { SetupDiCallClassInstaller(DIF_REMOVE, set, &device); });
}

// A string property, multi-strings with ';' between their entries; empty when unreadable.
std::wstring read_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<wchar_t> value(8192);
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(value.data()),
                                         static_cast<DWORD>((value.size() - 2) * sizeof(wchar_t)), nullptr))
    return L"";
  std::wstring text;
  for (const wchar_t* entry = value.data(); *entry; entry += wcslen(entry) + 1)
    text += (text.empty() ? L"" : L";") + std::wstring(entry);
  return text;
}

int list() {
  return for_each_device([](HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t id[MAX_DEVICE_ID_LEN] = {};
    SetupDiGetDeviceInstanceIdW(set, &device, id, MAX_DEVICE_ID_LEN, nullptr);
    std::wprintf(L"%ls\t%ls\t%ls\n", id, read_property(set, device, SPDRP_DEVICEDESC).c_str(),
                 read_property(set, device, SPDRP_HARDWAREID).c_str());
  });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  const bool marked = argc > 2 && argv[2] == std::wstring(L"--marked");
  if (verb == L"add" && argc > 2 + marked) return add(marked, argc - 2 - marked, argv + 2 + marked);
  if (verb == L"clear") return clear();
  if (verb == L"list") return list();
  std::fprintf(stderr, "usage: media_devices add [--marked] ID [ID...] | clear | list\n");
  return 2;
}
