// A fake Windows for the updater's run: a command line, a running application,
// an update file served from memory, an installer with a chosen outcome, and
// records of every handle, message and restart.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/unit/updater/fake_digest.h"
#include "updater/updater_api.h"

// The digest of the default update file content, "abc".
inline constexpr wchar_t kAbcDigest[] = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
inline constexpr wchar_t kUpdateFile[] = L"C:\\Temp\\LumettaSetup.exe";
inline constexpr wchar_t kApplicationPath[] = L"C:\\Program Files\\Lumetta\\Lumetta.exe";
inline constexpr DWORD kApplicationId = 4242;

struct ShownMessage {
  std::wstring text;
  std::wstring caption;
  UINT type = 0;
  bool owned = false;
};

struct Relaunch {
  std::wstring verb;
  std::wstring file;
  bool with_parameters = false;
  std::wstring folder;
  int show = 0;
  bool owned = false;
};

// Per kind of object: how many the fake handed out and how many came back.
struct HandleCount {
  int opened = 0;
  int closed = 0;
};

class FakeUpdater {
 public:
  // What the platform holds.
  std::wstring command_line;  // by default the program and four good arguments
  bool split_fails = false;   // CommandLineToArgvW fails with ERROR_NOT_ENOUGH_MEMORY
  DWORD open_process_error = 0;  // non-zero: OpenProcess fails with it (ID 0 always fails with 87)
  std::wstring image_path = kApplicationPath;
  DWORD image_path_error = 0;
  DWORD application_wait = WAIT_OBJECT_0;  // what the 30 s wait answers; a zero wait finds it running
  // Ended, but held open by another program: Windows opens it, cannot name its
  // image (ERROR_GEN_FAILURE) and every wait answers at once.
  bool application_ended = false;
  DWORD create_file_error = 0;
  std::wstring final_path = std::wstring(L"\\\\?\\") + kUpdateFile;  // of the held update file
  DWORD final_path_error = 0;  // non-zero: GetFinalPathNameByHandleW fails with it
  HRESULT com_result = S_OK;   // what CoInitializeEx answers
  DWORD installer_wait = WAIT_OBJECT_0;  // WAIT_FAILED sets ERROR_INVALID_HANDLE
  bool launch_succeeds = true;
  bool launch_gives_process = true;
  DWORD launch_error = 0;  // the last error that the launch leaves, on failure or without a process
  DWORD installer_exit_code = 0;
  DWORD exit_code_error = 0;  // non-zero: GetExitCodeProcess fails with it
  FakeDigest digest;          // serves "abc" as the update file

  // What the code did.
  HandleCount argument_arrays, application, installer, update_file;
  int unknown_closes = 0;
  DWORD open_access = 0;
  BOOL open_inherit = TRUE;
  DWORD opened_id = 0;
  DWORD image_flags = 0xFFFFFFFF;
  DWORD image_buffer_chars = 0;
  std::vector<DWORD> application_waits;  // time-outs
  std::vector<DWORD> installer_waits;
  bool file_open_during_installer = false;
  std::wstring created_path;
  DWORD create_access = 0, create_share = 0xFFFFFFFF, create_disposition = 0, create_attributes = 0;
  bool create_extras = false;  // security attributes or a template passed
  int com_inits = 0, com_uninits = 0;
  bool launched_inside_com = false;
  int launches = 0;
  SHELLEXECUTEINFOW launch{};
  std::wstring launch_verb, launch_file, launch_parameters;
  bool launch_directory = false;
  std::vector<ShownMessage> messages;
  std::vector<Relaunch> relaunches;
  std::vector<std::string> events;  // the order of the visible steps

  FakeUpdater();
  ~FakeUpdater();
  FakeUpdater(const FakeUpdater&) = delete;
  FakeUpdater& operator=(const FakeUpdater&) = delete;

  const UpdaterApi& api() const { return api_; }
  static FakeUpdater& current();

  // The command line of the program with these arguments, quoted the platform's way.
  void set_arguments(const std::vector<std::wstring>& arguments);

  // Every handle and array that was handed out came back exactly once.
  bool all_released() const;

 private:
  UpdaterApi api_;
};
