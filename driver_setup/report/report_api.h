// The Windows calls of the report writer, as a table: the product binds the
// real functions, tests bind fakes.
#pragma once
#include <windows.h>

#include "common/unique_resource.h"

struct ReportApi {
  decltype(&::CreateFileW) create_file;
  decltype(&::WriteFile) write_file;
  decltype(&::GetFileType) get_file_type;
  decltype(&::FlushFileBuffers) flush_file_buffers;
  decltype(&::CloseHandle) close_handle;
  decltype(&::CreateDirectoryW) create_directory;
  decltype(&::GetFileAttributesW) get_file_attributes;
  decltype(&::FormatMessageW) format_message;
};

const ReportApi& real_report_api();

using ReportFile = win::FileHandle;
