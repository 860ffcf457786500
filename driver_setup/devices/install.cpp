#include "install.h"

#include <stdexcept>

bool install_cable_device(const std::wstring&) {
  throw std::runtime_error("Driver installation is not available yet");
}
