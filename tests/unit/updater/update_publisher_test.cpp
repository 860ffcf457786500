// The publisher check where Wine cannot take it: a signed image whose file at
// its path is another, a cut-short own path, trust helpers that find nothing,
// a failed rewind. Signed and unsigned files themselves run end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/authenticode.h"
#include "updater/update_publisher.h"

namespace {

enum class Missing { nothing, provider_data, signer, certificate };

// One verified file as the helpers hand it out: data, signer, its certificate.
struct Signed {
  CRYPT_PROVIDER_DATA data{};
  CRYPT_PROVIDER_SGNR signer{};
  CRYPT_PROVIDER_CERT certificate{};
  CERT_CONTEXT context{};
  CERT_INFO info{};
  std::string subject;
};

struct Fake {
  struct {
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
  } image;
  bool path_cut_short = false, rewind_fails = false, rewound = false;
  LONG own_verdict = 0;
  Missing missing = Missing::nothing;  // in what the own signature's state holds
  Signed own{}, update{};
  int files_opened = 0, files_closed = 0, states_opened = 0, states_closed = 0, update_checks = 0;
};
Fake* g_fake = nullptr;
const auto kOwnFile = reinterpret_cast<HANDLE>(0x0E1F);
const auto kUpdateFile = reinterpret_cast<HANDLE>(0xF1E0);

HMODULE WINAPI get_module_handle(LPCWSTR) { return reinterpret_cast<HMODULE>(&g_fake->image); }

// Windows cuts a path that does not fit, answers the buffer's size and ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI get_module_file_name(HMODULE, LPWSTR buffer, DWORD size) {
  const std::wstring path = g_fake->path_cut_short ? std::wstring(size, L'x') : L"C:\\Lumetta\\updater.exe";
  const DWORD copied = std::min<DWORD>(static_cast<DWORD>(path.size()), size - 1);
  path.copy(buffer, copied);
  buffer[copied] = L'\0';
  SetLastError(copied < path.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return copied < path.size() ? size : copied;
}

HANDLE WINAPI create_file(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  ++g_fake->files_opened;
  return kOwnFile;
}

BOOL WINAPI close_handle(HANDLE handle) {
  g_fake->files_closed += handle == kOwnFile;
  return handle == kOwnFile;
}

BOOL WINAPI set_file_pointer_ex(HANDLE file, LARGE_INTEGER, PLARGE_INTEGER, DWORD method) {
  g_fake->rewound = !g_fake->rewind_fails && file == kUpdateFile && method == FILE_BEGIN;
  if (g_fake->rewind_fails) SetLastError(ERROR_INVALID_HANDLE);
  return !g_fake->rewind_fails;
}

// The verify call's answer is also the thread's last error; its state lives
// until the close call. A handle left at the end reads as no known file form.
LONG WINAPI win_verify_trust(HWND, GUID*, LPVOID data) {
  auto* trust = static_cast<win::TrustData*>(data);
  if (trust->dwStateAction == WTD_STATEACTION_CLOSE) {
    g_fake->states_closed += trust->hWVTStateData != nullptr;
    trust->hWVTStateData = nullptr;
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  ++g_fake->states_opened;
  const bool own = trust->pFile->hFile == kOwnFile;
  g_fake->update_checks += !own;
  trust->hWVTStateData = own ? &g_fake->own : &g_fake->update;
  const LONG verdict = own ? g_fake->own_verdict : g_fake->rewound ? 0 : LONG(TRUST_E_SUBJECT_FORM_UNKNOWN);
  SetLastError(static_cast<DWORD>(verdict));
  return verdict;
}

CRYPT_PROVIDER_DATA* WINAPI provider_data(HANDLE state) {
  auto* file = static_cast<Signed*>(state);
  return file == &g_fake->own && g_fake->missing == Missing::provider_data ? nullptr : &file->data;
}

CRYPT_PROVIDER_SGNR* WINAPI signer_from_chain(CRYPT_PROVIDER_DATA* data, DWORD signer, BOOL counter, DWORD) {
  Signed& file = data == &g_fake->own.data ? g_fake->own : g_fake->update;
  const bool none = signer != 0 || counter || (&file == &g_fake->own && g_fake->missing == Missing::signer);
  return none ? nullptr : &file.signer;
}

CRYPT_PROVIDER_CERT* WINAPI certificate_from_chain(CRYPT_PROVIDER_SGNR* signer, DWORD index) {
  Signed& file = signer == &g_fake->own.signer ? g_fake->own : g_fake->update;
  if (index != 0 || (&file == &g_fake->own && g_fake->missing == Missing::certificate)) return nullptr;
  file.info.Subject = {static_cast<DWORD>(file.subject.size()), reinterpret_cast<BYTE*>(file.subject.data())};
  file.context.pCertInfo = &file.info;
  file.certificate.pCert = &file.context;
  return &file.certificate;
}

struct Case {
  const char* name;
  bool image_signed;
  bool path_cut_short;
  LONG own_verdict;
  Missing missing;
  bool rewind_fails;
  const char* update_subject;
  bool passes;
  int update_checks;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class UpdatePublisher : public testing::TestWithParam<Case> {};

// Every verify call's state is closed, and the own file too, whatever the answer.
TEST_P(UpdatePublisher, AnswersAndReleasesEverything) {
  const Case& c = GetParam();
  Fake fake;
  g_fake = &fake;
  fake.image.dos.e_lfanew = offsetof(decltype(fake.image), nt);
  fake.image.nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size = c.image_signed ? 0x2A0 : 0;
  fake.path_cut_short = c.path_cut_short;
  fake.own_verdict = c.own_verdict;
  fake.missing = c.missing;
  fake.rewind_fails = c.rewind_fails;
  fake.own.subject = "CN=Lumetta";
  fake.update.subject = c.update_subject;
  const TrustApi api{get_module_handle, get_module_file_name, create_file, close_handle, set_file_pointer_ex,
                     win_verify_trust,  provider_data,        signer_from_chain, certificate_from_chain};

  EXPECT_EQ(verify_update_publisher(kUpdateFile, L"C:\\Temp\\LumettaSetup.exe", api), c.passes);
  EXPECT_EQ(fake.update_checks, c.update_checks);
  EXPECT_EQ(fake.states_closed, fake.states_opened);
  EXPECT_EQ(fake.files_closed, fake.files_opened);
  g_fake = nullptr;
}

const char kSame[] = "CN=Lumetta";
constexpr LONG kNoSignature = LONG(TRUST_E_NOSIGNATURE);

INSTANTIATE_TEST_SUITE_P(
    Updater, UpdatePublisher,
    testing::Values(Case{"UnsignedImageChecksNothing", false, false, 0, Missing::nothing, false, "", true, 0},
                    Case{"SameSubjectAfterRewind", true, false, 0, Missing::nothing, false, kSame, true, 1},
                    Case{"SubjectThatStartsTheSame", true, false, 0, Missing::nothing, false, "CN=Lumetta Ltd", false, 1},
                    // Renamed while it runs, and an unsigned file put at its path.
                    Case{"FileAtOwnPathUnsigned", true, false, kNoSignature, Missing::nothing, false, kSame, false, 0},
                    Case{"OwnPathCutShort", true, true, 0, Missing::nothing, false, kSame, false, 0},
                    Case{"NoProviderData", true, false, 0, Missing::provider_data, false, kSame, false, 0},
                    Case{"NoSigner", true, false, 0, Missing::signer, false, kSame, false, 0},
                    Case{"NoSignerCertificate", true, false, 0, Missing::certificate, false, kSame, false, 0},
                    Case{"RewindFails", true, false, 0, Missing::nothing, true, kSame, false, 0}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
