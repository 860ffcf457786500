#include "run.h"

int wmain(int argc, wchar_t** argv) { return run_driver_setup(argc, argv); }
