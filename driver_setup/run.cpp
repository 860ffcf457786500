#include "driver_setup/run.h"

#include <exception>
#include <stdexcept>
#include <string_view>

#include "driver_setup/audio/restore.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/install.h"
#include "driver_setup/devices/install_guards.h"
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

void install(RunState& run, const std::wstring& payload, const Platform& platform) {
  if (!run.devices.empty()) return reuse_or_refuse(run);
  {
    // The files stay open, shared for reading only, until the driver
    // installation has returned; what they held is in memory.
    const HeldPayload held = hold_verified_payload(payload, platform.payload);
    write_installing_report(run.report_path, run.defaults_before, platform.report);
    run.restore_pending = true;  // from here on the baseline is put back whatever happens
    // Only an administrator can make the copy: rights and games come first.
    check_install_allowed(platform.install);
    // What was hashed is what Windows installs: a copy that nobody else can
    // write, opened by name however often the installation likes, and
    // removed once it has returned.
    const PayloadCopy copy = copy_verified_payload(held, platform.copy, platform.payload);
    create_cable_device(copy.get(), platform.install);
  }
  wait_for_cable_endpoints(platform.audio);
  run.succeed("installed_restart_required", kExitRestartRequired);
}

void restore(RunState& run, const Args& args, const AudioApi& audio) {
  DefaultEndpointSet wanted;
  for (std::size_t slot = 0; slot < wanted.size(); ++slot) wanted[slot] = args[2 + slot];
  wait_for_cable_endpoints(audio);
  restore_default_endpoints(wanted, audio);
  run.succeed("defaults_restored", 0);
}

// Block A: baseline, inventory, then the verb. Verbs match whole and by case.
void run_verb(RunState& run, const Args& args, const Platform& platform) {
  run.defaults_before = snapshot_default_endpoints(platform.audio);
  run.devices = find_cable_devices(platform.devices);
  const std::wstring_view verb = args[1];
  if (verb == L"--probe") {
    run.succeed("probe", 0);
  } else if (verb == L"--install" && args.size() == 4) {
    install(run, std::wstring(args[2]), platform);
  } else if (verb == L"--verify" && args.size() == 4) {
    verify_payload(std::wstring(args[2]), platform.payload);
    run.succeed("verified", 0);
  } else if (verb == L"--restore" && args.size() == 9) {
    restore(run, args, platform.audio);
  } else {
    throw std::runtime_error("Invalid arguments");
  }
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
  return {com, real_audio_api(), real_device_api(), real_payload_api(), real_install_api(), real_report_api()};
}

int run_driver_setup(int argc, const wchar_t* const* argv, const Platform& platform) {
  if (argc < 3) return kExitMissingArguments;  // nothing touched, no report
  const Args args(argv, argv + argc);
  RunState run;
  run.report_path = std::wstring(args.back());
  platform.com.co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED);  // result not needed: paired either way

  try {
    run_verb(run, args, platform);
  } catch (const std::exception& e) {
    run.error = e.what();
  }
  if (run.restore_pending) restore_baseline(run, platform.audio);
  write_final(run, platform);

  platform.com.co_uninitialize();
  return run.exit_code;
}
