// Putting a composed report into its file.
#pragma once
#include <string>
#include <string_view>

#include "driver_setup/report/report_api.h"

// Creates or truncates the file and hands it every byte. True only when every
// call succeeded: open, writes, the flush through the system cache and the close.
bool save_report(const std::wstring& path, std::string_view bytes, const ReportApi& api);
