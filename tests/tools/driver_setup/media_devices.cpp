// Test tool: registers MEDIA-class devices with chosen hardware IDs in the
// current Wine prefix, or removes them all again.
//   media_devices add ID [ID...]   one device whose hardware-ID list is the IDs
//   media_devices clear            removes every MEDIA device
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

namespace {

const GUID kMedia = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

int fail(const char* step) {
  std::fprintf(stderr, "%s failed: %lu\n", step, GetLastError());
  return 1;
}

int add(int count, wchar_t** ids) {
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
  SetupDiDestroyDeviceInfoList(set);
  return rc;
}

int clear() {
  HDEVINFO set = SetupDiGetClassDevsW(&kMedia, nullptr, nullptr, 0);
  if (set == INVALID_HANDLE_VALUE) return fail("SetupDiGetClassDevsW");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
  SetupDiDestroyDeviceInfoList(set);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"";
  if (verb == L"add" && argc > 2) return add(argc - 2, argv + 2);
  if (verb == L"clear") return clear();
  std::fprintf(stderr, "usage: media_devices add ID [ID...] | clear\n");
  return 2;
}
