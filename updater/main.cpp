#include <windows.h>

#include "../common/system_library.h"
#include "update_run.h"

// The platform's parameters are not used: the run reads its own command line.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win::restrict_library_search();  // before anything can load a library
  return run_update();
}
