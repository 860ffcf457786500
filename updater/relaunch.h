// The restart of the application after an update attempt.
#pragma once
#include <string>
#include <string_view>

#include "updater/updater_api.h"

// The path up to its last backslash or slash (kept when the folder is a root
// such as "C:\\"); the whole path when it has neither.
std::wstring application_folder(std::wstring_view application_path);

// Opens the application with its folder as working directory. A failed restart
// is not reported: the update's outcome stands as it is.
void relaunch_application(const UpdaterApi& api, const std::wstring& application_path);
