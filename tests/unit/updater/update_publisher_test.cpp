// The publisher check where Wine cannot take it: a signed image whose file at
// its path is another, trust helpers that find nothing, a failed rewind.
// Signed, unsigned and foreign files themselves run end to end under Wine.
#include <gtest/gtest.h>

#include <string>

#include "common/authenticode.h"
#include "updater/update_publisher.h"

namespace {

enum class Missing { nothing, provider_data, signer, certificate };

struct Case {
  const char* name;
  bool image_signed;
  LONG own_verdict;
  Missing missing;  // from what the own signature's state holds
  bool rewind_fails;
  const char* update_subject;
  bool passes;
  int update_checks;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// What the helpers hand out for one verified file.
struct Signed {
  explicit Signed(const char* name) : subject(name) {
    info.Subject = {static_cast<DWORD>(subject.size()), reinterpret_cast<BYTE*>(subject.data())};
    context.pCertInfo = &info;
    certificate.pCert = &context;
  }
  std::string subject;
  CRYPT_PROVIDER_DATA data{};
  CRYPT_PROVIDER_SGNR signer{};
  CRYPT_PROVIDER_CERT certificate{};
  CERT_CONTEXT context{};
  CERT_INFO info{};
};

// The own file is this test program's, opened for real; only its headers'
// answer and its verdict are the fake's.
struct Fake {
  explicit Fake(const Case& given) : c(given), update(given.update_subject) {
    image.dos.e_lfanew = offsetof(Image, nt);
    image.nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size = c.image_signed ? 0x2A0 : 0;
  }
  Case c;
  struct Image {
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
  } image;
  Signed own{"CN=Lumetta"}, update;
  bool rewound = false;
  int states_opened = 0, states_closed = 0, update_checks = 0;
};
Fake* g = nullptr;
const auto kUpdateFile = reinterpret_cast<HANDLE>(0xF1E0);

HMODULE WINAPI get_module_handle(LPCWSTR) { return reinterpret_cast<HMODULE>(&g->image); }

BOOL WINAPI set_file_pointer_ex(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER, DWORD method) {
  if (g->c.rewind_fails) SetLastError(ERROR_INVALID_HANDLE);
  g->rewound = !g->c.rewind_fails && file == kUpdateFile && method == FILE_BEGIN && distance.QuadPart == 0;
  return !g->c.rewind_fails;
}

// The answer is also the thread's last error; the state lives until the close
// call. A handle left at the end of the file reads as no known file form.
LONG WINAPI win_verify_trust(HWND, GUID*, LPVOID data) {
  auto* trust = static_cast<win::TrustData*>(data);
  if (trust->dwStateAction == WTD_STATEACTION_CLOSE) {
    g->states_closed += trust->hWVTStateData != nullptr;
    trust->hWVTStateData = nullptr;
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  ++g->states_opened;
  const bool own = trust->pFile->hFile != kUpdateFile;
  g->update_checks += !own;
  trust->hWVTStateData = own ? &g->own : &g->update;
  const LONG verdict = own ? g->c.own_verdict : g->rewound ? 0 : LONG(TRUST_E_SUBJECT_FORM_UNKNOWN);
  SetLastError(static_cast<DWORD>(verdict));
  return verdict;
}

Signed& file_of(const void* part) { return part == &g->own.data || part == &g->own.signer ? g->own : g->update; }
bool missing(const Signed& file, Missing step) { return &file == &g->own && g->c.missing == step; }

CRYPT_PROVIDER_DATA* WINAPI provider_data(HANDLE state) {
  Signed& file = *static_cast<Signed*>(state);
  return missing(file, Missing::provider_data) ? nullptr : &file.data;
}

CRYPT_PROVIDER_SGNR* WINAPI signer_from_chain(CRYPT_PROVIDER_DATA* data, DWORD index, BOOL counter, DWORD) {
  Signed& file = file_of(data);
  return index != 0 || counter || missing(file, Missing::signer) ? nullptr : &file.signer;
}

CRYPT_PROVIDER_CERT* WINAPI certificate_from_chain(CRYPT_PROVIDER_SGNR* signer, DWORD index) {
  Signed& file = file_of(signer);
  return index != 0 || missing(file, Missing::certificate) ? nullptr : &file.certificate;
}

class UpdatePublisher : public testing::TestWithParam<Case> {};

// Every verify call's state is closed, whatever the answer.
TEST_P(UpdatePublisher, AnswersAndClosesEveryCheck) {
  Fake fake(GetParam());
  g = &fake;
  const TrustApi api{get_module_handle,   ::GetModuleFileNameW, ::CreateFileW,     ::CloseHandle,
                     set_file_pointer_ex, win_verify_trust,     provider_data,     signer_from_chain,
                     certificate_from_chain};

  EXPECT_EQ(verify_update_publisher(kUpdateFile, L"C:\\Temp\\LumettaSetup.exe", api), fake.c.passes);
  EXPECT_EQ(fake.update_checks, fake.c.update_checks);
  EXPECT_EQ(fake.states_closed, fake.states_opened);
  g = nullptr;
}

constexpr LONG kNoSignature = LONG(TRUST_E_NOSIGNATURE);

INSTANTIATE_TEST_SUITE_P(
    Updater, UpdatePublisher,
    testing::Values(Case{"UnsignedImageChecksNothing", false, 0, Missing::nothing, false, "", true, 0},
                    Case{"SameSubjectAfterRewind", true, 0, Missing::nothing, false, "CN=Lumetta", true, 1},
                    Case{"SubjectThatStartsTheSame", true, 0, Missing::nothing, false, "CN=Lumetta Ltd", false, 1},
                    // Renamed while it runs, and an unsigned file put at its path.
                    Case{"FileAtOwnPathUnsigned", true, kNoSignature, Missing::nothing, false, "CN=Lumetta", false, 0},
                    Case{"NoProviderData", true, 0, Missing::provider_data, false, "CN=Lumetta", false, 0},
                    Case{"NoSigner", true, 0, Missing::signer, false, "CN=Lumetta", false, 0},
                    Case{"NoSignerCertificate", true, 0, Missing::certificate, false, "CN=Lumetta", false, 0},
                    Case{"RewindFails", true, 0, Missing::nothing, true, "CN=Lumetta", false, 0}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
