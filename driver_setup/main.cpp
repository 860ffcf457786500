#include "../common/system_library.h"
#include "run.h"

int wmain(int argc, wchar_t** argv) {
  win::restrict_library_search();  // before anything can load a library
  return run_driver_setup(argc, argv);
}
