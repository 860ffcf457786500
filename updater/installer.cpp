#include "updater/installer.h"

#include <optional>
#include <string_view>

namespace {

constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
constexpr std::wstring_view kNetworkPrefix = L"\\\\?\\UNC\\";
constexpr DWORD kLongestPath = 32767;

// What the shell starts. A name is not the file: the given path's folders may
// be links that someone re-points once the file has been checked. The final
// path of the held file has none, and its folders cannot be renamed while the
// file is open below them. The shell does not document the "\\?\" form:
// a drive path goes without it, and only within MAX_PATH. A network server
// answers every open as it likes, so resolving its links would pin nothing:
// that file is started as given. Nothing (and the last error set) when the
// final path cannot be read or used.
std::optional<std::wstring> start_path(const UpdaterApi& api, HANDLE update, const std::wstring& update_file) {
  std::wstring path(kLongestPath + 1, L'\0');  // the longest path that Windows names, and its terminator
  const DWORD length = api.get_final_path_name_by_handle(update, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0) return std::nullopt;
  if (length < path.size()) {  // otherwise the size it would need, which no path reaches
    path.resize(length);
    if (path.starts_with(kNetworkPrefix)) return update_file;
    if (path.starts_with(kLongPathPrefix)) path.erase(0, kLongPathPrefix.size());
    if (path.size() < MAX_PATH) return path;
  }
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return std::nullopt;
}

// COM for the thread while the shell starts the file, single-threaded as
// ShellExecuteExW asks: the start can go through shell extensions that COM
// activates. Only a successful initialisation (S_OK, or S_FALSE when the
// thread had COM already) is balanced; RPC_E_CHANGED_MODE and failures are not.
class ShellApartment {
 public:
  explicit ShellApartment(const UpdaterApi& api)
      : api_(api), initialised_(SUCCEEDED(api.co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED |
                                                                            COINIT_DISABLE_OLE1DDE))) {}
  ~ShellApartment() {
    if (!initialised_) return;
    win::LastErrorKeeper keep;  // the start's code
    api_.co_uninitialize();
  }
  ShellApartment(const ShellApartment&) = delete;
  ShellApartment& operator=(const ShellApartment&) = delete;

 private:
  const UpdaterApi& api_;
  bool initialised_;
};

bool start_elevated(const UpdaterApi& api, SHELLEXECUTEINFOW& info) {
  const ShellApartment com(api);
  return api.shell_execute_ex(&info);
}

// A wait that ends otherwise than with the installer's end (WAIT_FAILED)
// leaves a process that may still run: no exit code can be read from it.
DWORD exit_code_of(const UpdaterApi& api, HANDLE installer) {
  if (api.wait_for_single_object(installer, INFINITE) != WAIT_OBJECT_0) return kInstallerNotObserved;
  DWORD code = 0;
  return api.get_exit_code_process(installer, &code) ? code : kInstallerNotObserved;
}

}  // namespace

DWORD run_installer(const UpdaterApi& api, HANDLE update, const std::wstring& update_file) {
  const std::optional<std::wstring> path = start_path(api, update, update_file);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // NOASYNC: the launch must be over before this thread goes on and exits.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = path ? path->c_str() : nullptr;
  info.lpParameters = L"/S";
  info.nShow = SW_SHOWNORMAL;
  const bool started = path && start_elevated(api, info);
  const DWORD start_error = GetLastError();
  const ProcessHandle installer(started ? info.hProcess : nullptr, api.close_handle);
  if (installer.valid()) return exit_code_of(api, installer.get());
  // A launch that failed can leave no error code (the shell may have shown
  // its own message instead): that must not read as the installer's success.
  return start_error != ERROR_SUCCESS ? start_error : kInstallerNotObserved;
}
