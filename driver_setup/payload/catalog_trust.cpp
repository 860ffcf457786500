#include "driver_setup/payload/catalog_trust.h"

LONG check_catalog_signature(const std::wstring& catalog_path, HANDLE catalog, const PayloadApi& api) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = catalog_path.c_str();
  file.hFile = catalog;

  TrustData data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;

  GUID action = kGenericVerifyV2;
  const LONG verdict = api.win_verify_trust(nullptr, &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  api.win_verify_trust(nullptr, &action, &data);  // its answer tells nothing about the catalog
  return verdict;
}
