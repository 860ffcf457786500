#include "common/process_hardening.h"
#include "driver_setup/run.h"

int wmain(int argc, wchar_t** argv) {
  win::harden_process();  // before anything can load a library or open a path
  return run_driver_setup(argc, argv);
}
