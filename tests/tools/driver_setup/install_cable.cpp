// Test tool: runs driver_setup's root device installation against the real
// Windows calls in the current Wine prefix.
//   install_cable FOLDER   exit 0 when it returned; else prints the message and exits 1
#include <cstdio>
#include <exception>

#include "driver_setup/devices/install.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: install_cable PAYLOAD_FOLDER\n");
    return 2;
  }
  try {
    install_cable_device(argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::printf("%s\n", e.what());
    return 1;
  }
}
