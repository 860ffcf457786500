#include "updater/notices.h"

namespace {

struct NoticeText {
  const wchar_t* text;
  UINT icon;
};

NoticeText text_of(Notice notice) {
  switch (notice) {
    case Notice::close_application:
      return {L"Close Lumetta before installing the update.", MB_ICONWARNING};
    case Notice::not_verified:
      return {L"The update could not be verified.", MB_ICONERROR};
    case Notice::incomplete:
      break;
  }
  return {L"The update did not complete. Lumetta will reopen.", MB_ICONWARNING};
}

}  // namespace

void show_notice(const UpdaterApi& api, Notice notice) {
  const auto [text, icon] = text_of(notice);
  api.message_box(nullptr, text, kNoticeCaption, MB_OK | icon);
}
