// The three messages that the updater shows the user.
#pragma once
#include "updater/updater_api.h"

enum class Notice {
  close_application,  // the application did not end in time
  not_verified,       // the update file failed its digest check
  incomplete,         // the installer did not succeed
};

inline constexpr wchar_t kNoticeCaption[] = L"Lumetta";

// A modal box without owner window and with one OK button; returns when the
// user has closed it.
void show_notice(const UpdaterApi& api, Notice notice);
