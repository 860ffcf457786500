#include "driver_setup/report/report_api.h"

const ReportApi& real_report_api() {
  static const ReportApi api{
      ::CreateFileW,  ::WriteFile,         ::GetFileType,        ::FlushFileBuffers,
      ::CloseHandle,  ::CreateDirectoryW,  ::GetFileAttributesW, ::FormatMessageW,
  };
  return api;
}
