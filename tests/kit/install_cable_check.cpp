#include "tests/kit/install_cable_check.h"

#include <algorithm>
#include <string>
#include <utility>

#include "driver_setup/report/report.h"  // to_utf8

namespace kit {
namespace {

constexpr char kNotInstalledHere[] =
    "removes only a cable that install_cable installed on this machine (start the kit with --install-cable)";

// OpenProcessToken hands out NULL for "no token".
struct TokenKind : win::OwnerKind<HANDLE, win::NullSentinel, decltype(&::CloseHandle), win::NonzeroIsSuccess> {};
using Token = win::UniqueResource<TokenKind>;

// Administrator rights in force, not merely held: a filtered token of an
// administrator answers FALSE here, and driver_setup then refuses to install.
bool elevated() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const Token token(raw, ::CloseHandle);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

// The problems a freshly installed driver most often leaves, by name; any
// other by its number alone.
std::string problem_name(ULONG problem) {
  static constexpr std::pair<ULONG, const char*> kNames[] = {
      {CM_PROB_NOT_CONFIGURED, "CM_PROB_NOT_CONFIGURED"},   {CM_PROB_FAILED_START, "CM_PROB_FAILED_START"},
      {CM_PROB_NEED_RESTART, "CM_PROB_NEED_RESTART"},       {CM_PROB_DISABLED, "CM_PROB_DISABLED"},
      {CM_PROB_FAILED_INSTALL, "CM_PROB_FAILED_INSTALL"},   {CM_PROB_FAILED_ADD, "CM_PROB_FAILED_ADD"},
      {CM_PROB_DRIVER_FAILED_LOAD, "CM_PROB_DRIVER_FAILED_LOAD"},
      {CM_PROB_UNSIGNED_DRIVER, "CM_PROB_UNSIGNED_DRIVER"},
  };
  std::string text = "problem " + std::to_string(problem);
  for (const auto& [number, name] : kNames)
    if (number == problem) text += std::string(" (") + name + ")";
  return text;
}

// The one cable device that the installation left must be present, free of
// problems and, on Windows, started. Its status is read here, not taken from
// driver_setup's report. started tells the caller which answer a second
// --install owes.
Outcome one_working_device(const Context& c, bool& started) {
  const Outcome probe = matches(ask(c, c.driver_setup(), {L"--probe"}, L"install_probe.json"), 0,
                                R"({"status":"probe","error":"","existing_devices":1,)");
  if (probe.kind != Outcome::pass) return failed("--probe after it: " + probe.why);
  const auto nodes = cable_devices();
  if (!nodes || nodes->size() != 1)
    return failed("the kit finds " + (nodes ? std::to_string(nodes->size()) : std::string("no list of")) +
                  " cable devices after it");
  const CableNode& node = nodes->front();
  if (node.answer != CR_SUCCESS)
    return failed("the cable device's status cannot be read (CM_Get_DevNode_Status answered " +
                  std::to_string(node.answer) + "; CR_NO_SUCH_DEVINST is 13: not present)");
  if ((node.status & DN_HAS_PROBLEM) || node.problem)
    return failed("the cable device has " + problem_name(node.problem));
  started = (node.status & DN_STARTED) != 0;
  if (!started && !under_wine()) return failed("the cable device is not started (status flags " +
                                               std::to_string(node.status) + ")");
  return passed();
}

}  // namespace

Outcome install_cable(const Context& c) {
  if (!c.install_cable)
    return skipped("installs the cable (the checks at the end remove it again); start the kit with --install-cable");
  if (!c.package) return failed("--install-cable needs the package folder (--package FOLDER)");
  if (!elevated()) return failed("needs an elevated prompt: driver_setup installs only with administrator rights");
  const auto before = read_defaults();
  const auto nodes = cable_devices();
  if (!before || !nodes) return failed("this machine's default endpoints or MEDIA devices cannot be read");
  if (!nodes->empty())
    return skipped("this machine already has " + std::to_string(nodes->size()) +
                   " cable device(s); a fresh installation can only be checked without one");

  // Windows may make the new endpoints the defaults of slots that were empty;
  // driver_setup never empties a slot, so it then answers with the restore error.
  const std::string rest = R"(,"existing_devices":0,"defaults_before":)" + endpoint_array(*before) +
                           R"(,"defaults_after":)";
  const Answer install = ask(c, c.driver_setup(), {L"--install", c.package->wstring()}, L"install.json");
  c.cable.installed = true;  // whatever it answered: the removal checks take away what it left
  const Outcome restarted = matches(install, 3010, R"({"status":"installed_restart_required","error":"")" + rest);
  const bool slot_was_empty = std::ranges::any_of(*before, [](const std::wstring& id) { return id.empty(); });
  const std::string restore_failed =
      " Windows audio defaults could not be fully restored; see defaults_before in this report";
  const Outcome restore_error = matches(install, 1, R"({"status":"error","error":")" + restore_failed + "\"" + rest);
  std::string how;
  if (restarted.kind == Outcome::pass)
    how = "installed_restart_required, exit 3010";
  else if (slot_was_empty && restore_error.kind == Outcome::pass)
    how = "the documented restore error, exit 1 (a default slot was empty before)";
  else
    return failed("--install: " + restarted.why);

  bool started = false;
  if (const Outcome device = one_working_device(c, started); device.kind != Outcome::pass) return device;
  // Wine registers the device but never starts it: the second run must refuse it, as Windows would.
  const Answer again = ask(c, c.driver_setup(), {L"--install", c.package->wstring()}, L"install_again.json");
  const Outcome second =
      started ? matches(again, 0, R"({"status":"reused","error":"","existing_devices":1,)")
              : matches(again, 1, R"({"status":"error","error":"Existing VB-CABLE is disabled, disconnected or has a )"
                                  R"(problem; no device was changed (Windows error )");
  if (second.kind != Outcome::pass) return failed("--install again: " + second.why);
  return {Outcome::pass, how + (started ? "; one cable device, started; --install again: reused"
                                        : "; one cable device, not started (Wine never starts a device); "
                                          "--install again refused it")};
}

Outcome uninstall_cable(const Context& c) {
  if (!c.cable.installed) return skipped(kNotInstalledHere);
  const auto nodes = cable_devices();
  if (!nodes) return failed("this machine's MEDIA devices cannot be read");
  // The package's name is known only from the device: read it before the device goes.
  for (const CableNode& node : *nodes)
    if (!node.package.empty()) c.cable.packages.push_back(node.package);
  c.cable.removal_ran = true;
  const Answer removal = ask(c, c.driver_setup(), {L"--uninstall"}, L"uninstall.json");
  const std::string rest = R"(","error":"","existing_devices":)" + std::to_string(nodes->size()) + ",";
  const Outcome done = matches(removal, 0, R"({"status":"uninstalled)" + rest);
  const bool restart = matches(removal, 3010, R"({"status":"uninstalled_restart_required)" + rest).kind == Outcome::pass;
  if (done.kind != Outcome::pass && !restart) return failed("--uninstall: " + done.why);
  const std::string how = restart ? "uninstalled_restart_required, exit 3010" : "uninstalled, exit 0";
  const auto left = count_cable_devices();
  if (!left || *left)
    return failed(how + ", but the kit finds " + (left ? std::to_string(*left) : std::string("no list of")) +
                  " cable devices after it");
  const Outcome probe = answers(c, c.driver_setup(), {L"--probe"}, L"uninstall_probe.json", 0,
                                R"({"status":"probe","error":"","existing_devices":0,)");
  if (probe.kind != Outcome::pass) return failed("--probe after it: " + probe.why);
  return {Outcome::pass, how + "; no cable device left, and --probe counts none"};
}

Outcome uninstall_cable_package(const Context& c) {
  if (!c.cable.installed) return skipped(kNotInstalledHere);
  if (!c.cable.removal_ran) return skipped("uninstall_cable could not run --uninstall");
  if (c.cable.packages.empty()) {
    if (under_wine())
      return skipped("Wine's driver installation adds no oem INF to the driver store: the device names no package");
    return failed("the installed cable device named no driver package (DEVPKEY_Device_DriverInfPath)");
  }
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  std::string names;
  for (const std::wstring& package : c.cable.packages) {
    if (fs::exists(fs::path(windows) / L"INF" / package))
      return failed(to_utf8(package) + " is still in %windir%\\INF after --uninstall");
    names += (names.empty() ? "" : ", ") + to_utf8(package);
  }
  return {Outcome::pass, names + " left the driver store (%windir%\\INF)"};
}

}  // namespace kit
