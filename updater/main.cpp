#include <windows.h>

#include "common/process_hardening.h"
#include "updater/update_run.h"

// The platform's parameters are not used: the run reads its own command line.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win::harden_process();  // before anything can load a library or open a path
  return run_update();
}
