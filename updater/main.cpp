#include <windows.h>

#include "update_run.h"

// The platform's parameters are not used: the run reads its own command line.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return run_update(); }
