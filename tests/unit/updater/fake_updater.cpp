#include "tests/unit/updater/fake_updater.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

FakeUpdater* g_current = nullptr;
const auto kApplicationHandle = reinterpret_cast<HANDLE>(0xA110);
const auto kInstallerHandle = reinterpret_cast<HANDLE>(0x1A50);
const auto kFileHandle = reinterpret_cast<HANDLE>(0xF1E0);

std::wstring text_or_empty(const wchar_t* text) { return text ? text : L""; }

LPWSTR WINAPI fake_get_command_line() { return FakeUpdater::current().command_line.data(); }

LPWSTR* WINAPI fake_command_line_to_argv(LPCWSTR line, int* count) {
  if (FakeUpdater::current().split_fails) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LPWSTR* args = ::CommandLineToArgvW(line, count);
  if (args) ++FakeUpdater::current().argument_arrays.opened;
  return args;
}

HLOCAL WINAPI fake_local_free(HLOCAL memory) {
  ++FakeUpdater::current().argument_arrays.closed;
  return ::LocalFree(memory);
}

HANDLE WINAPI fake_open_process(DWORD access, BOOL inherit, DWORD id) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("open application");
  fake.open_access = access;
  fake.open_inherit = inherit;
  fake.opened_id = id;
  // Windows refuses process 0, the idle process, with ERROR_INVALID_PARAMETER.
  const DWORD error = id == 0 ? ERROR_INVALID_PARAMETER : fake.open_process_error;
  if (error) {
    SetLastError(error);
    return nullptr;
  }
  ++fake.application.opened;
  return kApplicationHandle;
}

BOOL WINAPI fake_query_image(HANDLE process, DWORD flags, LPWSTR buffer, PDWORD size) {
  FakeUpdater& fake = FakeUpdater::current();
  EXPECT_EQ(process, kApplicationHandle);
  fake.image_flags = flags;
  fake.image_buffer_chars = *size;
  if (fake.application_ended) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  const DWORD error = fake.image_path.size() >= *size ? ERROR_INSUFFICIENT_BUFFER : fake.image_path_error;
  if (error) {
    SetLastError(error);
    return FALSE;
  }
  std::copy(fake.image_path.begin(), fake.image_path.end(), buffer);
  buffer[fake.image_path.size()] = L'\0';
  *size = static_cast<DWORD>(fake.image_path.size());
  return TRUE;
}

DWORD WINAPI fake_wait(HANDLE object, DWORD timeout) {
  FakeUpdater& fake = FakeUpdater::current();
  if (object == kApplicationHandle && fake.application.opened > fake.application.closed) {
    fake.events.push_back("wait application");
    fake.application_waits.push_back(timeout);
    // A process object is signalled once the process has ended; a zero wait on
    // a running one returns at once with WAIT_TIMEOUT.
    if (fake.application_ended) return WAIT_OBJECT_0;
    return timeout == 0 ? WAIT_TIMEOUT : fake.application_wait;
  }
  if (object == kInstallerHandle && fake.installer.opened > fake.installer.closed) {
    fake.events.push_back("wait installer");
    fake.installer_waits.push_back(timeout);
    fake.file_open_during_installer = fake.update_file.opened > fake.update_file.closed;
    if (fake.installer_wait == WAIT_FAILED) SetLastError(ERROR_INVALID_HANDLE);
    return fake.installer_wait;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

BOOL WINAPI fake_get_exit_code(HANDLE process, LPDWORD code) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("read exit code");
  EXPECT_EQ(process, kInstallerHandle);
  if (fake.exit_code_error) {
    *code = 0;  // what is left there after a failure means nothing
    SetLastError(fake.exit_code_error);
    return FALSE;
  }
  *code = fake.installer_exit_code;
  return TRUE;
}

BOOL WINAPI fake_close_handle(HANDLE handle) {
  FakeUpdater& fake = FakeUpdater::current();
  const std::pair<HANDLE, std::pair<HandleCount*, const char*>> kinds[] = {
      {kApplicationHandle, {&fake.application, "close application"}},
      {kInstallerHandle, {&fake.installer, "close installer"}},
      {kFileHandle, {&fake.update_file, "close update file"}},
  };
  for (const auto& [known, kind] : kinds) {
    if (handle == known && kind.first->opened > kind.first->closed) {
      ++kind.first->closed;
      fake.events.push_back(kind.second);
      SetLastError(0xC105ED);  // clean-up may change the last error; owners must keep it
      return TRUE;
    }
  }
  ++fake.unknown_closes;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HANDLE WINAPI fake_create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD attributes, HANDLE template_file) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("open update file");
  fake.created_path = path;
  fake.create_access = access;
  fake.create_share = share;
  fake.create_disposition = disposition;
  fake.create_attributes = attributes;
  fake.create_extras = security || template_file;
  if (fake.create_file_error) {
    SetLastError(fake.create_file_error);
    return INVALID_HANDLE_VALUE;
  }
  ++fake.update_file.opened;
  return kFileHandle;
}

// As its reference page says: the length without the terminator when the path
// and its terminator fit, otherwise the size needed with it; 0 and the last
// error on failure.
DWORD WINAPI fake_get_final_path(HANDLE file, LPWSTR buffer, DWORD size, DWORD) {
  FakeUpdater& fake = FakeUpdater::current();
  const bool held = file == kFileHandle && fake.update_file.opened > fake.update_file.closed;
  const DWORD error = held ? fake.final_path_error : ERROR_INVALID_HANDLE;
  if (error) {
    SetLastError(error);
    return 0;
  }
  const auto length = static_cast<DWORD>(fake.final_path.size());
  if (length >= size) return length + 1;
  std::copy(fake.final_path.begin(), fake.final_path.end(), buffer);
  buffer[length] = L'\0';
  return length;
}

// Answers as told and counts, so that a test sees what was balanced.
HRESULT WINAPI fake_co_initialize_ex(LPVOID, DWORD) {
  FakeUpdater& fake = FakeUpdater::current();
  ++fake.com_inits;
  return fake.com_result;
}

void WINAPI fake_co_uninitialize() {
  FakeUpdater& fake = FakeUpdater::current();
  ++fake.com_uninits;
  SetLastError(0xC105ED);  // may change the last error; the start's code must survive
}

BOOL WINAPI fake_shell_execute_ex(SHELLEXECUTEINFOW* info) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("launch installer");
  fake.launched_inside_com = fake.com_inits == 1 && fake.com_uninits == 0;
  ++fake.launches;
  fake.launch = *info;
  fake.launch_verb = text_or_empty(info->lpVerb);
  fake.launch_file = text_or_empty(info->lpFile);
  fake.launch_parameters = text_or_empty(info->lpParameters);
  fake.launch_directory = info->lpDirectory != nullptr;
  const bool gives_process = fake.launch_succeeds && fake.launch_gives_process;
  info->hProcess = gives_process ? kInstallerHandle : nullptr;
  if (gives_process) ++fake.installer.opened;
  else SetLastError(fake.launch_error);
  return fake.launch_succeeds;
}

HINSTANCE WINAPI fake_shell_execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                                    INT show) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("restart application");
  fake.relaunches.push_back({text_or_empty(verb), text_or_empty(file), parameters != nullptr,
                             text_or_empty(folder), show, owner != nullptr});
  return reinterpret_cast<HINSTANCE>(SE_ERR_FNF);  // a failed restart must change nothing
}

int WINAPI fake_message_box(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  FakeUpdater& fake = FakeUpdater::current();
  fake.events.push_back("message");
  fake.messages.push_back({text_or_empty(text), text_or_empty(caption), type, owner != nullptr});
  return IDOK;
}

}  // namespace

FakeUpdater::FakeUpdater()
    : api_{fake_get_command_line, fake_command_line_to_argv, fake_local_free,       fake_open_process,
           fake_query_image,      fake_wait,                 fake_get_exit_code,    fake_close_handle,
           fake_create_file,      fake_get_final_path,       fake_co_initialize_ex, fake_co_uninitialize,
           fake_shell_execute_ex, fake_shell_execute,        fake_message_box} {
  g_current = this;
  digest.served_content = "abc";
  set_arguments({kUpdateFile, kApplicationPath, std::to_wstring(kApplicationId), kAbcDigest});
}

FakeUpdater::~FakeUpdater() { g_current = nullptr; }

FakeUpdater& FakeUpdater::current() { return *g_current; }

void FakeUpdater::set_arguments(const std::vector<std::wstring>& arguments) {
  command_line = L"\"C:\\Program Files\\Lumetta\\updater.exe\"";
  for (const auto& argument : arguments) command_line += L" \"" + argument + L"\"";
}

bool FakeUpdater::all_released() const {
  const HandleCount kinds[] = {argument_arrays, application, installer, update_file};
  return unknown_closes == 0 &&
         std::all_of(std::begin(kinds), std::end(kinds), [](const HandleCount& c) { return c.opened == c.closed; });
}
