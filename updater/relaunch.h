// The restart of the application after an update attempt.
#pragma once
#include <string>

#include "updater/updater_api.h"

// Opens the application with its folder as working directory. A failed restart
// is not reported: the update's outcome stands as it is.
void relaunch_application(const UpdaterApi& api, const std::wstring& application_path);
