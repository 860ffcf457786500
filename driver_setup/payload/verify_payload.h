// The package folder's check: file digests, then the catalog's signature.
#pragma once
#include <string>

// Not built yet: raises "Payload verification is not available yet".
void verify_payload(const std::wstring& folder);
