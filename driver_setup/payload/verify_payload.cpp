#include "verify_payload.h"

#include <stdexcept>

void verify_payload(const std::wstring&) {
  throw std::runtime_error("Payload verification is not available yet");
}
