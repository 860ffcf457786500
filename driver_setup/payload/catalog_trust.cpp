#include "driver_setup/payload/catalog_trust.h"

LONG check_catalog_signature(const std::wstring& catalog_path, HANDLE catalog, const PayloadApi& api) {
  return win::EmbeddedSignature(api.win_verify_trust, catalog_path, catalog, 0).verdict();
}
