// Checks both helpers on a Windows 10/11 machine, running them as the
// application does:
//   windows_check.exe [--package FOLDER] [--install-cable] [--change-defaults]
// One line per check (PASS, FAIL with what differed, SKIP with why), then the
// counts; exits 0 only when nothing failed. Without options it changes nothing
// but files in a temporary folder of its own, which it removes; --install-cable
// installs the cable and removes it again at the end.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <sstream>

#include "driver_setup/payload/hash_file_sha256.h"
#include "driver_setup/report/report.h"
#include "tests/kit/console_windows.h"
#include "tests/kit/install_cable_check.h"
#include "tests/kit/kit.h"
#include "tests/kit/machine.h"
#include "tests/tools/updater/record_file.h"

namespace {

using namespace kit;

Outcome probe(const Context& c) {
  const auto before = read_defaults();
  const auto devices = count_cable_devices();
  if (!before) return skipped("this machine's default endpoints cannot be read");
  if (!devices) return skipped("this machine's MEDIA devices cannot be listed");
  const std::string expected = R"({"status":"probe","error":"","existing_devices":)" + std::to_string(*devices) +
                               R"(,"defaults_before":)" + endpoint_array(*before) + R"(,"defaults_after":)" +
                               endpoint_array(*before) + "}";
  const Outcome outcome = answers(c, c.driver_setup(), {L"--probe"}, L"probe.json", 0, expected, true);
  return read_defaults() == before ? outcome : skipped("the default endpoints changed during the check");
}

Outcome too_few_arguments(const Context& c) {
  const fs::path report = c.temp / L"too_few.json";
  const Run run = kit::run(c.driver_setup(), {report.wstring()});
  if (!run.ended || run.exit_code != 2) return failed(describe(run) + " instead of exit 2");
  return fs::exists(report) ? failed("a report was written") : passed();
}

Outcome invalid_verb(const Context& c) {
  return answers(c, c.driver_setup(), {L"--Probe"}, L"invalid.json", 1,
                 R"({"status":"error","error":"Invalid arguments","existing_devices":)");
}

Outcome nested_report_folder(const Context& c) {
  return answers(c, c.driver_setup(), {L"--probe"}, L"new\\nested\\report.json", 0, R"({"status":"probe","error":"",)");
}

// A folder whose first package file has other contents.
fs::path wrong_payload(const Context& c) {
  const fs::path folder = c.temp / L"wrong_payload";
  fs::create_directories(folder);
  std::ofstream(folder / L"VBCABLE_ControlPanel.exe", std::ios::binary) << "not the package file";
  return folder;
}

Outcome verify_wrong_files(const Context& c) {
  return answers(c, c.driver_setup(), {L"--verify", wrong_payload(c).wstring()}, L"verify_wrong.json", 1,
                 R"({"status":"error","error":"Driver payload hash mismatch",)");
}

Outcome verify_missing_folder(const Context& c) {
  return answers(c, c.driver_setup(), {L"--verify", (c.temp / L"not_there").wstring()}, L"verify_missing.json", 1,
                 R"({"status":"error","error":"Cannot hash driver payload",)");
}

Outcome verify_package(const Context& c) {
  if (!c.package) return skipped("no package folder given (--package FOLDER)");
  return answers(c, c.driver_setup(), {L"--verify", c.package->wstring()}, L"verify_package.json", 0,
                 R"({"status":"verified","error":"",)");
}

// --restore to wanted, then the defaults read back.
Outcome restore_to(const Context& c, const Defaults& wanted, const wchar_t* report_name) {
  std::vector<std::wstring> args{L"--restore"};
  args.insert(args.end(), wanted.begin(), wanted.end());
  const Outcome outcome =
      answers(c, c.driver_setup(), args, report_name, 0, R"({"status":"defaults_restored","error":"",)");
  if (outcome.kind != Outcome::pass) return outcome;
  const auto now = read_defaults();
  return now == wanted ? passed() : failed("the defaults read back are " + (now ? endpoint_array(*now) : "unreadable"));
}

Outcome restore_current_defaults(const Context& c) {
  const auto now = read_defaults();
  if (!now) return skipped("this machine's default endpoints cannot be read");
  return restore_to(c, *now, L"restore_current.json");
}

Outcome restore_round_trip(const Context& c) {
  if (!c.change_defaults) return skipped("changes the default endpoints; start the kit with --change-defaults");
  if (under_wine()) return skipped("Wine has no audio policy object to change the defaults with");
  const auto original = read_defaults();
  if (!original || (*original)[0].empty()) return skipped("no default playback endpoint");
  std::optional<std::wstring> other;
  for (const auto& id : active_render_endpoints())
    if (id != (*original)[0]) other = id;
  if (!other) return skipped("needs a second active playback endpoint");
  std::printf("  defaults now, to put back by hand if the kit cannot: %s\n", endpoint_array(*original).c_str());
  Defaults changed = *original;
  changed[0] = *other;  // playback, console role
  const Outcome there = restore_to(c, changed, L"round_trip_there.json");
  const Outcome back = restore_to(c, *original, L"round_trip_back.json");  // whatever the first step did
  if (back.kind != Outcome::pass) return failed("putting the defaults back: " + back.why);
  return there.kind == Outcome::pass ? passed() : failed("to another endpoint: " + there.why);
}

struct UpdateCase {
  fs::path folder, application, installer;
  std::wstring digest;
};

// The application and installer stand-ins in a folder of their own.
UpdateCase update_case(const Context& c, const wchar_t* name) {
  UpdateCase u;
  u.folder = c.temp / name;
  u.application = u.folder / L"Lumetta.exe";
  u.installer = u.folder / L"LumettaSetup.exe";
  fs::create_directories(u.folder);
  fs::copy_file(c.kit / L"updater_app_standin.exe", u.application);
  fs::copy_file(c.kit / L"updater_installer_standin.exe", u.installer);
  const std::string digest = hash_file_sha256(u.installer.wstring());
  u.digest.assign(digest.begin(), digest.end());
  return u;
}

Run run_update(const fs::path& updater, const UpdateCase& u, const std::wstring& process_id,
               const std::wstring& digest) {
  return run(updater, {u.installer.wstring(), u.application.wstring(), process_id, digest});
}

// The application was started again, from its own folder.
bool restarted(const UpdateCase& u) {
  const fs::path starts = u.folder / L"Lumetta.exe.starts";
  return appears(starts) && read_bytes(starts).rfind("cwd=" + to_utf8(u.folder.wstring()) + "\t", 0) == 0;
}

std::wstring upper(std::wstring text) {
  for (auto& ch : text) ch = towupper(ch);
  return text;
}

// The whole update went through: exit 0 without a box, the installer ran
// with /S, and the application was started again.
Outcome updated(const UpdateCase& u, const Run& run) {
  if (!run.ended || run.exit_code != 0 || !run.boxes.empty())
    return failed(describe(run) + " with " + std::to_string(run.boxes.size()) + " boxes instead of exit 0 and none");
  const std::string log = read_bytes(u.installer.wstring() + L".log");
  if (log.rfind("args=/S\n", 0) != 0) return failed("the installer's record: " + log);
  return restarted(u) ? passed() : failed("the application was not started again from its folder");
}

Outcome update(const Context& c) {
  const UpdateCase u = update_case(c, L"update");
  return updated(u, run_update(c.updater(), u, L"", u.digest));
}

// The application closes itself right after starting the updater, and another
// program may still hold it open: Windows then opens the ended process but no
// longer names its image. Here the kit is that other program.
Outcome update_after_application_ended(const Context& c) {
  const UpdateCase u = update_case(c, L"ended");
  const Process application = start(u.application, {L"--stay", L"0"});
  if (!application.valid() || WaitForSingleObject(application.get(), 10000) != WAIT_OBJECT_0)
    return failed("the application stand-in did not start and end");
  const std::wstring id = std::to_wstring(GetProcessId(application.get()));
  return updated(u, run_update(c.updater(), u, id, u.digest));
}

Outcome update_wrong_digest(const Context& c) {
  const UpdateCase u = update_case(c, L"wrong_digest");
  const Run run = run_update(c.updater(), u, L"", upper(u.digest));
  const std::vector<std::wstring> box{L"Lumetta|The update could not be verified."};
  if (!run.ended || run.exit_code != 6 || run.boxes != box)
    return failed(describe(run) + " after " + std::to_string(run.boxes.size()) + " boxes (first: " +
                  (run.boxes.empty() ? "none" : to_utf8(run.boxes[0])) + ") instead of exit 6 after one box " +
                  to_utf8(box[0]));
  if (fs::exists(u.installer.wstring() + L".log")) return failed("the installer ran");
  return restarted(u) ? passed() : failed("the application was not started again from its folder");
}

// driver_setup asks for the redirection guard as its first step. It is read
// off a running --restore to the current defaults, which changes nothing and
// runs at least the 5 s that the wait for the cable's endpoints takes.
Outcome redirection_guard(const Context& c) {
  if (under_wine()) return skipped("Wine accepts the policy and keeps none (its policy call is a stub)");
  const auto now = read_defaults();
  if (!now) return skipped("this machine's default endpoints cannot be read");
  std::vector<std::wstring> args{L"--restore"};
  args.insert(args.end(), now->begin(), now->end());
  args.push_back((c.temp / L"guard.json").wstring());
  bool enforced = false;
  DWORD refused = ERROR_SUCCESS;
  const Run restore = run(c.driver_setup(), args, [&](HANDLE process) {
    PROCESS_MITIGATION_REDIRECTION_TRUST_POLICY guard{};
    if (GetProcessMitigationPolicy(process, ProcessRedirectionTrustPolicy, &guard, sizeof guard))
      enforced |= guard.EnforceRedirectionTrust != 0;
    else
      refused = GetLastError();
  });
  if (enforced) return passed();
  if (refused == ERROR_INVALID_PARAMETER)
    return skipped("this Windows build has no redirection guard (Windows 10 22H2 and 11 with current updates have)");
  if (refused != ERROR_SUCCESS) return failed("GetProcessMitigationPolicy failed with " + std::to_string(refused));
  return failed("not in force while driver_setup ran (" + describe(restore) + ")");
}

// Wine takes a library from the program's folder first, as Windows does, only
// for the names that WINEDLLOVERRIDES sets to native first; it reads that from
// the environment it was started with, never from a running program's.
std::optional<std::string> wine_would_not_search(const std::wstring& names) {
  if (!under_wine()) return std::nullopt;
  wchar_t overrides[1024] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  if (names + L"=n,b" == overrides) return std::nullopt;
  return "under Wine, start the kit with WINEDLLOVERRIDES=" + to_utf8(names) + "=n,b";
}

Outcome planted_libraries(const Context& c) {
  // Named like libraries that the helpers and the components they use load.
  const std::wstring names = PLANTED_NAMES;
  if (const auto why = wine_would_not_search(names)) return skipped(*why);
  const fs::path folder = c.temp / L"planted";
  fs::create_directories(folder);
  for (std::wstringstream list(names); !list.eof();) {
    std::wstring name;
    std::getline(list, name, L',');
    fs::copy_file(c.kit / L"planted_library.dll", folder / (name + L".dll"));
  }
  fs::copy_file(c.driver_setup(), folder / L"driver_setup.exe");
  fs::copy_file(c.updater(), folder / L"updater.exe");
  const Outcome probe = answers(c, folder / L"driver_setup.exe", {L"--probe"}, L"planted_probe.json", 0,
                                R"({"status":"probe","error":"",)");
  const Outcome verify = answers(c, folder / L"driver_setup.exe", {L"--verify", wrong_payload(c).wstring()},
                                 L"planted_verify.json", 1, R"({"status":"error","error":"Driver payload hash)");
  const UpdateCase u = update_case(c, L"planted_update");
  const Run update = run_update(folder / L"updater.exe", u, L"", upper(u.digest));

  std::string loaded;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == L".loaded") loaded.append(" ").append(to_utf8(entry.path().stem().wstring()));
  if (!loaded.empty()) return failed("loaded from the programs' folder:" + loaded);
  if (probe.kind != Outcome::pass) return failed("--probe: " + probe.why);
  if (verify.kind != Outcome::pass) return failed("--verify: " + verify.why);
  return update.ended && update.exit_code == 6 ? passed() : failed("updater: " + describe(update));
}

// A console program that only waits, copied into the kit's folder.
fs::path idle_console_program(const Context& c) {
  const fs::path idle = c.temp / L"idle_console.exe";
  if (!fs::exists(idle)) fs::copy_file(c.kit / L"idle_stand_in.exe", idle);
  return idle;
}

// A console program started with a console of its own and no show state is
// shown: the kit must see that window, or it sees none on this machine.
bool sees_a_shown_console(const Context& c) {
  const auto before = visible_console_windows();
  // Left to end by itself: a terminal keeps the tab of a killed program open.
  const Process control = start(idle_console_program(c), {L"3000"}, Start::new_console);
  bool seen = false;
  while (control.valid() && WaitForSingleObject(control.get(), 50) == WAIT_TIMEOUT)
    seen = seen || !new_console_windows(before).empty();
  return seen;
}

// Every start of driver_setup by the checks above was one of the guide's. The
// kit starts nothing elevated by default, and a short run ends before a window
// could be seen, so the guide's elevated start runs a console program that
// waits 1.5 s too. None of them may have shown a console window.
Outcome console_windows(const Context& c) {
  if (!sees_a_shown_console(c))
    return skipped("a program started with a console of its own showed no console window that the kit can see "
                   "(a terminal may have opened it as a tab of a window already open)");
  const Run elevated = run_as(Start::elevated, idle_console_program(c), {L"1500"});
  if (elevated.start_error == ERROR_CANCELLED) return skipped("the consent prompt for the elevated start was declined");
  if (!elevated.ended) return failed("the elevated start of a waiting console program: " + describe(elevated));
  const ConsoleSightings& seen = console_sightings();
  std::string windows;
  for (const auto& window : seen.windows) windows += (windows.empty() ? "" : ", ") + window;
  const std::string starts =
      std::to_string(seen.starts) + " of the guide's starts (" + std::to_string(seen.elevated) + " elevated)";
  if (!windows.empty()) return failed("shown during " + starts + ": " + windows);
  // Printing to a console, the kit keeps it, and the hidden starts share it.
  const char* hidden = GetConsoleWindow() ? "; the hidden starts shared the kit's console (its lines go to a terminal)"
                                          : "";
  return {Outcome::pass,
          "none shown during " + starts + "; a program with a console of its own showed one" + hidden};
}

struct Check {
  const char* name;
  Outcome (*run)(const Context&);
};

constexpr Check kChecks[] = {
    {"probe", probe},
    {"too_few_arguments", too_few_arguments},
    {"invalid_verb", invalid_verb},
    {"nested_report_folder", nested_report_folder},
    {"verify_wrong_files", verify_wrong_files},
    {"verify_missing_folder", verify_missing_folder},
    {"verify_package", verify_package},
    {"install_cable", install_cable},  // before the round trip, which takes the endpoints it leaves
    {"restore_current_defaults", restore_current_defaults},
    {"restore_round_trip", restore_round_trip},
    {"uninstall_cable", uninstall_cable},  // after the round trip, which may need the cable's endpoints
    {"uninstall_cable_package", uninstall_cable_package},
    {"redirection_guard", redirection_guard},
    {"update", update},
    {"update_after_application_ended", update_after_application_ended},
    {"update_wrong_digest", update_wrong_digest},
    {"planted_libraries", planted_libraries},
    {"console_windows", console_windows},  // last: it sums up every start of driver_setup
};

std::optional<Context> read_options(int argc, wchar_t** argv) {
  Context c;
  for (int i = 1; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--package" && i + 1 < argc)
      c.package = fs::absolute(argv[++i]);
    else if (option == L"--install-cable")
      c.install_cable = true;
    else if (option == L"--change-defaults")
      c.change_defaults = true;
    else
      return std::nullopt;
  }
  c.kit = fs::path(own_path()).parent_path();
  c.temp = fs::temp_directory_path() / (L"windows_check_" + std::to_wstring(GetCurrentProcessId()));
  return c;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const auto context = read_options(argc, argv);
  if (!context) {
    std::printf("usage: windows_check.exe [--package FOLDER] [--install-cable] [--change-defaults]\n");
    return 2;
  }
  // The guide's application has no console. A start without CREATE_NO_WINDOW
  // would share the kit's console and show nothing; with its lines going to a
  // file or a pipe the kit lets its console go, so that such a start opens a
  // window of its own, which the console check sees.
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_CHAR) FreeConsole();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  fs::remove_all(context->temp);  // a folder left by an earlier run under the same process ID
  fs::create_directories(context->temp);
  std::printf("The update checks start a test installer, and the console check a waiting console program, elevated:\n"
              "Windows asks for consent three times unless this runs elevated.\n");
  if (context->install_cable)
    std::printf("The cable check installs the driver from the package folder; the checks at the end remove it.\n");
  int counts[3] = {};
  for (const Check& check : kChecks) {
    Outcome outcome;
    try {
      outcome = check.run(*context);
    } catch (const std::exception& e) {
      outcome = failed(e.what());
    }
    ++counts[outcome.kind];
    static constexpr const char* kWords[] = {"PASS", "FAIL", "SKIP"};
    std::printf("%s %s%s%s\n", kWords[outcome.kind], check.name, outcome.why.empty() ? "" : ": ", outcome.why.c_str());
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed, %d skipped\n", counts[Outcome::pass], counts[Outcome::fail],
              counts[Outcome::skip]);
  CoUninitialize();
  // A stand-in that was just started may still hold its file for a moment.
  std::error_code busy;
  for (int i = 0; i < 50 && (fs::remove_all(context->temp, busy), busy); ++i) Sleep(100);
  return counts[Outcome::fail] ? 1 : 0;
}
