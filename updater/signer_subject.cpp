#include "updater/signer_subject.h"

#include "common/authenticode.h"

std::optional<SubjectName> trusted_signer_subject(const TrustApi& api, const std::wstring& path, HANDLE file) {
  const win::EmbeddedSignature signature(api.win_verify_trust, path, file, kSignatureProviderFlags);
  if (signature.verdict() != 0) return std::nullopt;
  // The first signer, and its own certificate at the start of its chain; all
  // of it belongs to the verify state, so the subject is copied out.
  CRYPT_PROVIDER_DATA* provider = api.provider_data_from_state(signature.state_data());
  CRYPT_PROVIDER_SGNR* signer = provider ? api.signer_from_chain(provider, 0, FALSE, 0) : nullptr;
  CRYPT_PROVIDER_CERT* certificate = signer ? api.certificate_from_chain(signer, 0) : nullptr;
  if (!certificate || !certificate->pCert || !certificate->pCert->pCertInfo) return std::nullopt;
  const CERT_NAME_BLOB& subject = certificate->pCert->pCertInfo->Subject;
  if (subject.cbData == 0) return std::nullopt;
  return SubjectName(subject.pbData, subject.pbData + subject.cbData);
}
