#include "driver_setup/run.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "driver_setup/audio/restore.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/install.h"
#include "driver_setup/devices/install_guards.h"
#include "driver_setup/devices/uninstall.h"
#include "driver_setup/payload/payload_copy.h"
#include "driver_setup/payload/verify_payload.h"
#include "driver_setup/report/report.h"

namespace {

using Args = std::vector<std::wstring_view>;

void reuse_or_refuse(RunState& run) {
  const bool usable = run.devices.size() == 1 && run.devices[0].problem == 0 &&
                      (run.devices[0].status & kDevNodeStarted) != 0;
  check_step(usable, "Existing VB-CABLE is disabled, disconnected or has a problem; no device was changed");
  run.succeed("reused", 0);
}

void probe(RunState& run, const Args&, const Platform&) { run.succeed("probe", 0); }

void install(RunState& run, const Args& args, const Platform& platform) {
  if (!run.devices.empty()) return reuse_or_refuse(run);
  const std::wstring payload(args[2]);
  {
    // The files stay open, shared for reading only, until the driver
    // installation has returned; what they held is in memory.
    const HeldPayload held = hold_verified_payload(payload, platform.payload);
    write_installing_report(run.report_path, run.defaults_before, platform.report);
    run.restore_pending = true;  // from here on the baseline is put back whatever happens
    // Only an administrator can make the copy: rights and games come first.
    check_change_allowed(platform.install, kInstallGameRefusal);
    // What was hashed is what Windows installs: a copy that nobody else can
    // write, opened by name however often the installation likes, and
    // removed once it has returned.
    const PayloadCopy copy = copy_verified_payload(held, platform.copy, platform.payload);
    create_cable_device(copy.get(), platform.install);
  }
  wait_for_cable_endpoints(platform.audio);
  run.succeed("installed_restart_required", kExitRestartRequired);
}

void verify(RunState& run, const Args& args, const Platform& platform) {
  verify_payload(std::wstring(args[2]), platform.payload);
  run.succeed("verified", 0);
}

void restore(RunState& run, const Args& args, const Platform& platform) {
  DefaultEndpointSet wanted;
  for (std::size_t slot = 0; slot < wanted.size(); ++slot) wanted[slot] = args[2 + slot];
  wait_for_cable_endpoints(platform.audio);
  restore_default_endpoints(wanted, platform.audio);
  run.succeed("defaults_restored", 0);
}

void uninstall(RunState& run, const Args&, const Platform& platform) {
  if (uninstall_cable_devices(platform.devices, platform.install))
    run.succeed("uninstalled_restart_required", kExitRestartRequired);
  else
    run.succeed("uninstalled", 0);
}

struct Verb {
  std::wstring_view word;
  std::size_t arguments;  // the whole count, program included; 0: any (from 3)
  bool changes_machine;   // holds the machine lock for the whole run
  void (*run)(RunState&, const Args&, const Platform&);
};

constexpr Verb kVerbs[] = {
    {L"--probe", 0, false, probe},
    {L"--install", 4, true, install},
    {L"--verify", 4, false, verify},
    {L"--restore", 9, true, restore},
    {L"--uninstall", 3, true, uninstall},
};

// Verbs match whole and by case; a known verb with another count is none.
const Verb* find_verb(const Args& args) {
  for (const Verb& verb : kVerbs)
    if (args[1] == verb.word && (verb.arguments == 0 || args.size() == verb.arguments)) return &verb;
  return nullptr;
}

// Block A: the lock of a changing verb, baseline, inventory, then the verb.
// The lock comes first: another run's changes must not become this run's
// baseline, and two installations must not both find no device.
void run_verb(RunState& run, const Args& args, const Platform& platform, std::optional<MachineLock>& lock) {
  const Verb* verb = find_verb(args);
  if (verb && verb->changes_machine) lock.emplace(platform.lock);
  run.defaults_before = snapshot_default_endpoints(platform.audio);
  run.devices = find_cable_devices(platform.devices);
  if (!verb) throw std::runtime_error("Invalid arguments");
  verb->run(run, args, platform);
}

// Block B: after an installation was started, the baseline goes back.
void restore_baseline(RunState& run, const AudioApi& audio) {
  try {
    restore_default_endpoints(run.defaults_before, audio);
  } catch (const std::exception& e) {
    run.error += ' ';
    run.error += e.what();
    run.status = "error";
    run.exit_code = 1;
  }
}

// Block C: the final report; a report that is not on disk whole fails the run.
void write_final(RunState& run, const Platform& platform) {
  try {
    if (!write_final_report(run.report_path, run.status, run.error, run.devices.size(), run.defaults_before,
                            platform.audio, platform.report))
      run.exit_code = 1;
  } catch (const std::exception&) {
    run.exit_code = 1;
  }
}

}  // namespace

// A bundle of references to the tables, each of which lives for the process.
Platform real_platform() {
  static const ComApi com{::CoInitializeEx, ::CoUninitialize};
  return {com,          real_audio_api(),   real_device_api(), real_payload_api(), real_install_api(),
          real_report_api(), real_lock_api()};
}

int run_driver_setup(int argc, const wchar_t* const* argv, const Platform& platform) {
  if (argc < 3) return kExitMissingArguments;  // nothing touched, no report
  const Args args(argv, argv + argc);
  RunState run;
  run.report_path = std::wstring(args.back());
  platform.com.co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED);  // result not needed: paired either way

  std::optional<MachineLock> lock;  // held until the final report is written, on every path
  try {
    run_verb(run, args, platform, lock);
  } catch (const std::exception& e) {
    run.error = e.what();
  }
  if (run.restore_pending) restore_baseline(run, platform.audio);
  write_final(run, platform);
  lock.reset();

  platform.com.co_uninitialize();
  return run.exit_code;
}
