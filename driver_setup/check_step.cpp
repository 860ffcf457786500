#include "driver_setup/check_step.h"

#include <windows.h>

#include <stdexcept>
#include <string>

void check_step(bool ok, const char* step) {
  if (ok) return;
  // Read before anything allocates: building the message may change the code.
  const DWORD code = GetLastError();
  throw std::runtime_error(std::string(step) + " (Windows error " + std::to_string(code) + ")");
}
