// The JSON report: the only answer driver_setup gives besides its exit code.
#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>

#include "driver_setup/audio/default_endpoints.h"
#include "driver_setup/report/report_api.h"

// Writes {"status":"installing","defaults_before":[...]} and returns once it is
// on the disk itself; raises the folder-creation error or "Cannot save the audio
// baseline before installation".
void write_installing_report(const std::wstring& path, const DefaultEndpointSet& defaults_before,
                             const ReportApi& report = real_report_api());

// Writes the final form, taking the "defaults_after" snapshot itself. Returns
// whether the whole report reached the disk and the file closed cleanly. When
// the snapshot raises, the file ends after ,"defaults_after": and the error
// propagates.
bool write_final_report(const std::wstring& path, const std::string& status, const std::string& error,
                        std::size_t existing_devices, const DefaultEndpointSet& defaults_before,
                        const AudioApi& audio = real_audio_api(), const ReportApi& report = real_report_api());

// Creates the report's parent folder and its missing ancestors; a root is never
// created. Raises create_directories: <Windows' description>: "<parent>".
void create_report_folder(const std::wstring& path, const ReportApi& report = real_report_api());

void write_endpoint_array(std::ostream& out, const DefaultEndpointSet& endpoints);
std::string json_quote(const std::string& bytes);
// An unpaired surrogate becomes U+FFFD; a text Windows cannot convert becomes "".
std::string to_utf8(const std::wstring& text, decltype(&::WideCharToMultiByte) convert = ::WideCharToMultiByte);
