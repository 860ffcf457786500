#include <stdexcept>

#include "driver_setup/audio/default_endpoint_policy.h"
#include "driver_setup/audio/restore.h"

namespace {

constexpr char kNotFullyRestored[] =
    "Windows audio defaults could not be fully restored; see defaults_before in this report";

// Sets each slot that differs from what Windows has and that names an endpoint.
// Every slot is tried once even after a refusal, so that as many defaults as
// possible are back. Returns whether Windows accepted all of them.
bool apply_changed_slots(const DefaultEndpointSet& current, const DefaultEndpointSet& wanted, const AudioApi& api) {
  win::ComPtr<IDefaultEndpointPolicy> policy;
  const HRESULT hr = api.co_create_instance(kDefaultEndpointPolicyClass, nullptr, CLSCTX_ALL,
                                            kDefaultEndpointPolicyInterface, policy.put_void());
  if (FAILED(hr) || !policy.get()) throw std::runtime_error("Cannot restore Windows audio defaults");

  bool all_applied = true;
  for (std::size_t slot = 0; slot < wanted.size(); ++slot) {
    if (wanted[slot].empty() || wanted[slot] == current[slot]) continue;
    // The identity carries the data flow; the role repeats for render and capture.
    const auto role = static_cast<ERole>(slot % 3);
    if (FAILED(policy->SetRoleDefault(wanted[slot].c_str(), role))) all_applied = false;
  }
  return all_applied;
}

}  // namespace

void restore_default_endpoints(const DefaultEndpointSet& wanted, const AudioApi& api) {
  const DefaultEndpointSet current = snapshot_default_endpoints(api);
  if (current == wanted) return;
  // A refused slot needs no second look: the restore has failed already.
  if (!apply_changed_slots(current, wanted, api)) throw std::runtime_error(kNotFullyRestored);
  if (snapshot_default_endpoints(api) != wanted) throw std::runtime_error(kNotFullyRestored);
}
