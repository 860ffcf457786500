// The whole --install road through the run flow, against fakes of every
// subsystem and a payload folder whose table this test build links in.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "common/security_descriptor.h"
#include "driver_setup/payload/hash_file_sha256.h"
#include "driver_setup/payload/payload_manifest.h"
#include "driver_setup/report/report.h"
#include "driver_setup/run.h"
#include "tests/payload/fake_payload_api.h"
#include "tests/payload/payload_test_files.h"
#include "tests/payload/fixture_path.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/fake_devices.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/fake_lock.h"
#include "tests/unit/test_support.h"
#include "tests/unit/updater/run_fixture.h"

namespace {

HRESULT WINAPI co_initialize_ex(LPVOID, DWORD) { return S_OK; }
void WINAPI co_uninitialize() {}
const ComApi kCom{co_initialize_ex, co_uninitialize};

// The report's flushes join the installation's calls, so that their order shows.
DWORD g_flush_error = 0;
std::function<void()> g_after_first_flush;  // the installing report: after the hash, before the copy
BOOL WINAPI recorded_flush(HANDLE file) {
  FakeInstallApi::current().calls.push_back("FlushFileBuffers");
  if (g_after_first_flush) std::exchange(g_after_first_flush, nullptr)();
  if (!g_flush_error) return FlushFileBuffers(file);
  SetLastError(g_flush_error);
  return FALSE;
}
std::vector<FileOpen> g_report_opens;
HANDLE WINAPI recorded_create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE template_file) {
  const HANDLE file = CreateFileW(path, access, share, security, disposition, flags, template_file);
  g_report_opens.push_back({path, access, share, disposition, flags, file});
  return file;
}
const ReportApi kReport = [] {
  ReportApi api = real_report_api();
  api.flush_file_buffers = recorded_flush;
  api.create_file = recorded_create_file;
  return api;
}();

const std::array<std::wstring, 6> kBaseline = {render_id(L"spk"), render_id(L"spk"), render_id(L"hp"),
                                               capture_id(L"mic"), capture_id(L"mic"), L""};
const std::array<std::wstring, 6> kChanged = {render_id(L"cable"), render_id(L"cable"), render_id(L"hp"),
                                              capture_id(L"cable"), capture_id(L"mic"), L""};

std::string json_array(const std::array<std::wstring, 6>& set) {
  std::string text = "[";
  for (const auto& id : set) text += (text.size() > 1 ? ",\"" : "\"") + to_utf8(id) + "\"";
  return text + "]";
}

class RunInstallTest : public testing::Test {
 protected:
  void SetUp() override {
    audio.set_defaults(kBaseline);
    // The cable's three endpoints are there from the start: the wait settles after 5 s.
    for (int i = 0; i < 3; ++i) audio.endpoints.push_back({L"VB-Audio Virtual Cable"});
    audio.on_sleep = [this] { report_while_waiting = read_file(report); };
    g_flush_error = 0;
    g_after_first_flush = nullptr;
    g_report_opens.clear();
    // A copy: a fault that writes the package must not poison the build's for later runs.
    std::filesystem::copy(payload_fixture(L"payload"), payload);
  }

  int run(const wchar_t* verb = L"--install") {
    const wchar_t* argv[] = {L"driver_setup.exe", verb, payload.c_str(), report.c_str()};
    return run_driver_setup(4, argv, Platform{kCom, audio.api(), devices.api(), payload_api.api(), install.api(),
                                              kReport, lock.api(), copy_api.api()});
  }
  // The installation moves the defaults to the cable, as Windows does when a new device arrives.
  void defaults_move_during_check() {
    payload_api.on_open = [this] { audio.set_defaults(kChanged); };
  }
  std::string final_report(const std::string& status, const std::string& error) const {
    return R"({"status":")" + status + R"(","error":")" + error + R"(","existing_devices":0,"defaults_before":)" +
           json_array(kBaseline) + R"(,"defaults_after":)" + json_array(audio.ids) + "}";
  }

  FakeAudio audio;
  FakeSetupApi devices;
  FakeInstallApi install;
  FakePayloadApi payload_api;
  FakePayloadCopyApi copy_api;
  FakeLock lock;  // not the machine's: another test's run must not hold this one up
  TempFolder dir;
  const std::wstring payload = dir / L"payload";
  const std::wstring report = dir / L"out\\report.json";
  std::string report_while_waiting;
};

TEST_F(RunInstallTest, InstallsThenWaitsThenReportsARestartWithTheBaselineOnDisk) {
  EXPECT_EQ(run(), 3010);
  EXPECT_EQ(read_file(report), final_report("installed_restart_required", ""));
  EXPECT_EQ(report_while_waiting, R"({"status":"installing","defaults_before":)" + json_array(kBaseline) + "}");
  EXPECT_EQ(install.update_inf_path, copy_api.folder + L"\\vbMmeCable64_win10.inf");
  // The baseline reached the disk before the first step towards a change.
  ASSERT_GE(install.calls.size(), 2u);
  EXPECT_EQ(install.calls[0], "FlushFileBuffers");
  EXPECT_EQ(install.calls[1], "IsUserAnAdmin");
  EXPECT_EQ(audio.policy_creations, 0);  // nothing moved: nothing to put back
  EXPECT_EQ(audio.live_objects, 0);
}

TEST_F(RunInstallTest, FailedInstallationPutsTheDefaultsBackBeforeReporting) {
  defaults_move_during_check();
  install.update_error = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(audio.ids, kBaseline);
  EXPECT_EQ(audio.role_calls.size(), 3u);  // the three slots that moved
  EXPECT_EQ(read_file(report), final_report("error", "Install signed VB-CABLE driver (Windows error 2)"));
  EXPECT_TRUE(report_while_waiting.empty());  // a failed installation is not waited for
}

TEST_F(RunInstallTest, FailedRestoreAfterASuccessIsAnErrorWithALeadingSpace) {
  defaults_move_during_check();
  audio.policy_create_result = REGDB_E_CLASSNOTREG;
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(read_file(report), final_report("error", " Cannot restore Windows audio defaults"));
}

TEST_F(RunInstallTest, BaselineThatCannotBeFlushedChangesNothing) {
  g_flush_error = ERROR_DISK_FULL;
  EXPECT_EQ(run(), 1);
  // The final report's flush fails too, but its bytes show the run's error.
  EXPECT_EQ(install.calls, (std::vector<std::string>{"FlushFileBuffers", "FlushFileBuffers"}));
  EXPECT_EQ(read_file(report), final_report("error", "Cannot save the audio baseline before installation"));
}

TEST_F(RunInstallTest, BaselineThatCannotBeSavedChangesNothing) {
  std::filesystem::create_directories(report);  // a folder where the report should be
  defaults_move_during_check();
  EXPECT_EQ(run(), 1);
  EXPECT_TRUE(install.calls.empty());
  EXPECT_EQ(audio.policy_creations, 0);
}

// Another program that holds the file open for writing, as an editor does.
win::ProcessHandle start_writer(const TempFolder& dir, const std::wstring& file) {
  const std::wstring program = dir / L"writer.exe";
  const auto stand_in = std::filesystem::path(own_path()).parent_path() / L"idle_stand_in.exe";  // beside this test
  CopyFileW(stand_in.c_str(), program.c_str(), FALSE);
  std::wstring command = L"\"" + program + L"\" 60000 \"" + file + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started);
  const win::ProcessHandle thread(started.hThread, CloseHandle);
  for (int i = 0; i < 200 && !std::filesystem::exists(program + L".started"); ++i) Sleep(50);
  return win::ProcessHandle(started.hProcess, CloseHandle);
}

TEST_F(RunInstallTest, PackageFileThatAnotherProgramWritesIsNotInstalledButStillVerifies) {
  const win::ProcessHandle writer = start_writer(dir, payload + L"\\vbaudio_cable64_win10.sys");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(read_file(report), final_report("error", "Cannot hash driver payload"));
  // Only the final report's flush: no installing form, no device, no check of rights.
  EXPECT_EQ(install.calls, std::vector<std::string>{"FlushFileBuffers"});
  EXPECT_EQ(run(L"--verify"), 0);
  EXPECT_EQ(read_file(report).rfind(R"({"status":"verified","error":"",)", 0), 0u) << read_file(report);
  TerminateProcess(writer.get(), 0);
  WaitForSingleObject(writer.get(), 10000);
}

// What another program can do to a package file: open it for writing, rename it, delete it.
std::vector<std::string> changes_allowed(const std::wstring& path) {
  std::vector<std::string> allowed;
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (win::FileHandle(writer, CloseHandle).valid()) allowed.push_back("write");
  const std::wstring moved = path + L".moved", spare = path + L".spare";
  if (MoveFileW(path.c_str(), moved.c_str()) && MoveFileW(moved.c_str(), path.c_str())) allowed.push_back("rename");
  CopyFileW(path.c_str(), spare.c_str(), FALSE);  // puts the file back after a deletion
  if (DeleteFileW(path.c_str()) && MoveFileW(spare.c_str(), path.c_str())) allowed.push_back("delete");
  DeleteFileW(spare.c_str());
  return allowed;
}

// From the check until the driver installation returns, nobody can change what
// it reads (the installation itself still reads it); during the wait that
// follows, and after, they can.
TEST_F(RunInstallTest, PackageCannotBeChangedUntilTheDriverInstallationReturns) {
  const std::vector<std::string> none, all = {"write", "rename", "delete"};
  install.on_update = [&] {
    for (const PayloadFile& file : payload_manifest().files) {
      const std::wstring path = payload + L"\\" + std::wstring(file.name);
      EXPECT_EQ(changes_allowed(path), none) << to_utf8(path);
      EXPECT_FALSE(read_file(path).empty()) << to_utf8(path);
    }
  };
  std::vector<std::string> during_wait;
  const std::wstring inf = payload + L"\\vbMmeCable64_win10.inf";
  audio.on_sleep = [&] { if (during_wait.empty()) during_wait = changes_allowed(inf); };
  EXPECT_EQ(run(), 3010);
  EXPECT_EQ(during_wait, all);
  EXPECT_EQ(changes_allowed(payload + L"\\vbaudio_cable64_win10.cat"), all);
}

using OpenFlags = std::tuple<DWORD, DWORD, DWORD, DWORD>;  // access, sharing, disposition, flags and attributes
OpenFlags flags_of(const FileOpen& o) { return {o.access, o.share, o.disposition, o.flags}; }

// Every path that the caller chose is opened for identification only; the
// package files once each, shared for reading only while they are installed.
TEST_F(RunInstallTest, CallerChosenPathsAreOpenedForIdentificationOnly) {
  EXPECT_EQ(run(), 3010);
  EXPECT_EQ(payload_api.opens.size(), kPayloadFileCount);
  std::set<OpenFlags> package_opens;
  for (const FileOpen& o : payload_api.opens) package_opens.insert(flags_of(o));
  EXPECT_EQ(package_opens.size(), 1u);
  std::map<std::string, OpenFlags> seen{{"package, --install", flags_of(payload_api.opens.front())},
                                        {"report", flags_of(g_report_opens.front())}};
  EXPECT_EQ(run(L"--verify"), 0);
  seen["package, --verify"] = flags_of(payload_api.opens.back());
  FakeUpdater updater;
  EXPECT_EQ(run_update(updater.api(), updater.digest.api()), kExitUpdated);
  seen["update file"] = {updater.create_access, updater.create_share, updater.create_disposition,
                         updater.create_attributes};

  constexpr DWORD kIdentify = FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
  const std::map<std::string, OpenFlags> expected{
      {"package, --install", {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kIdentify}},
      {"report", {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, CREATE_ALWAYS, kIdentify}},
      {"package, --verify", {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, kIdentify}},
      {"update file", {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kIdentify}},
  };
  EXPECT_EQ(seen, expected);
}

const std::wstring kOnlySystemAndAdministrators = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

std::wstring windows_temp() {
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\Temp\\";
}

// As Windows stores it; it may mark the protected DACL auto-inherited ("PAI"),
// which changes no entry.
std::wstring stored_security(const std::wstring& folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return L"(unreadable)";
  const win::SecurityDescriptor owned(descriptor, LocalFree);
  std::wstring sddl = owner_and_dacl(descriptor);
  if (const auto at = sddl.find(L"D:PAI("); at != std::wstring::npos) sddl.erase(at + 3, 2);
  return sddl;
}

// Replaces the caller's package folder by one with another INF, where a folder
// with open files below it can be renamed at all (under Wine it can).
bool replace_package_folder(const std::wstring& payload) {
  if (!MoveFileW(payload.c_str(), (payload + L".hashed").c_str())) return false;
  std::filesystem::create_directory(payload);
  write_text_file(payload + L"\\vbMmeCable64_win10.inf", "[Version]\r\n; not the hashed one\r\n");
  return true;
}

class PrivateCopy : public RunInstallTest, public testing::WithParamInterface<DWORD> {};

// Windows installs a copy of the bytes that were hashed, in a folder of this
// run's that only the system and administrators can enter; the copy is gone
// once the installation has returned, whatever it answered.
TEST_P(PrivateCopy, IsWhatWindowsInstallsAndGoesAfterwards) {
  install.update_error = GetParam();
  bool replaced = false;
  g_after_first_flush = [&] { replaced = replace_package_folder(payload); };
  std::wstring folder, security;
  std::vector<std::wstring> differing;
  install.on_update = [&] {
    folder = std::filesystem::path(install.update_inf_path).parent_path().wstring();
    // Wine keeps no descriptor of the caller's (measured: it answers the user
    // as owner and an unprotected DACL): there, what CreateDirectoryW was given.
    security = under_wine() ? copy_api.asked_security : stored_security(folder);
    for (const PayloadFile& file : payload_manifest().files)
      if (hash_file_sha256(folder + L"\\" + std::wstring(file.name)) != file.sha256) differing.emplace_back(file.name);
  };
  EXPECT_EQ(run(), GetParam() ? 1 : 3010);
  EXPECT_EQ(folder.rfind(windows_temp() + L"lumetta-", 0), 0u) << to_utf8(folder);
  EXPECT_EQ(security, kOnlySystemAndAdministrators);
  EXPECT_EQ(differing, std::vector<std::wstring>{});
  if (under_wine()) {
    EXPECT_TRUE(replaced) << "the caller's INF was not changed after the hash";
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
  // The copy's catalog was checked by its path, after the held one.
  ASSERT_EQ(payload_api.trust_calls.size(), 4u);
  EXPECT_EQ(payload_api.trust_calls[2].file_path, folder + L"\\vbaudio_cable64_win10.cat");
  EXPECT_EQ(payload_api.trust_calls[2].file.hFile, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Install, PrivateCopy, testing::Values(DWORD{0}, DWORD{ERROR_FILE_NOT_FOUND}),
                         [](const auto& info) { return info.param ? "FailedInstallation" : "Success"; });

struct Refusal {
  const char* name;
  void (*arrange)(FakeInstallApi&);
  const char* error_start;
};
void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

class RunInstallRefusal : public RunInstallTest, public testing::WithParamInterface<Refusal> {};

// An unelevated run answers for its rights, and a run beside the game for the
// game, before it tries a copy that only an administrator can make: the
// application elevates on the first answer alone.
TEST_P(RunInstallRefusal, ComesBeforeAnyCopy) {
  GetParam().arrange(install);
  EXPECT_EQ(run(), 1);
  EXPECT_NE(read_file(report).find(std::string(R"("error":")") + GetParam().error_start), std::string::npos);
  EXPECT_EQ(copy_api.folder, L"");
}

INSTANTIATE_TEST_SUITE_P(
    Install, RunInstallRefusal,
    testing::Values(Refusal{"WithoutRights", [](FakeInstallApi& i) { i.admin = FALSE; },
                            "Administrator permission required (Windows error "},
                    Refusal{"GameRunning", [](FakeInstallApi& i) { i.processes.push_back(L"Rocksmith2014.exe"); },
                            "Close Rocksmith before installing the virtual audio driver; no device was changed\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct CopyFailure {
  const char* name;
  void (*arrange)(FakePayloadCopyApi&, FakePayloadApi&);
  const char* message;
};

// Shown by name when a case fails.
void PrintTo(const CopyFailure& c, std::ostream* out) { *out << c.name; }

class PrivateCopyFailure : public RunInstallTest, public testing::WithParamInterface<CopyFailure> {};

// A copy that cannot be made, or whose catalog is not trusted, ends the run
// before any device exists, and leaves no copy behind.
TEST_P(PrivateCopyFailure, EndsTheRunBeforeAnyDevice) {
  GetParam().arrange(copy_api, payload_api);
  const std::wstring taken = windows_temp() + L"lumetta-" + std::wstring(32, L'0');
  if (copy_api.zero_random) {
    std::filesystem::create_directories(taken);
    write_text_file(taken + L"\\vbMmeCable64_win10.inf", "someone else's");
  }
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(read_file(report), final_report("error", GetParam().message));
  EXPECT_EQ(std::count(install.calls.begin(), install.calls.end(), "IsUserAnAdmin"), 1);
  EXPECT_EQ(std::count(install.calls.begin(), install.calls.end(), "SetupDiCreateDeviceInfoList"), 0);
  if (copy_api.zero_random) {
    // Not this run's folder: left as it was.
    EXPECT_EQ(read_file(taken + L"\\vbMmeCable64_win10.inf"), "someone else's");
    std::filesystem::remove_all(taken);
  } else if (!copy_api.folder.empty()) {
    EXPECT_FALSE(std::filesystem::exists(copy_api.folder));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Install, PrivateCopyFailure,
    testing::Values(
        CopyFailure{"NameTaken", [](FakePayloadCopyApi& c, FakePayloadApi&) { c.zero_random = true; },
                    "Cannot copy driver payload (Windows error 183)"},
        CopyFailure{"DiskFull", [](FakePayloadCopyApi& c, FakePayloadApi&) { c.failing_write_call = 3; },
                    "Cannot copy driver payload (Windows error 112)"},
        CopyFailure{"CatalogOfTheCopyUntrusted",
                    [](FakePayloadCopyApi&, FakePayloadApi& p) { p.path_trust_answer = CERT_E_UNTRUSTEDROOT; },
                    "VB-CABLE catalog signature is not trusted"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
