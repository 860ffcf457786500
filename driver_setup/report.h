// The JSON report: the only answer driver_setup gives besides its exit code.
#pragma once
#include <cstddef>
#include <iosfwd>
#include <string>

#include "audio/default_endpoints.h"

// Writes {"status":"installing","defaults_before":[...]}; raises the
// folder-creation error or "Cannot save the audio baseline before installation".
void write_installing_report(const std::wstring& path, const DefaultEndpointSet& defaults_before);

// Writes the final form, taking the "defaults_after" snapshot itself. Returns
// whether the stream was still good after the closing brace.
bool write_final_report(const std::wstring& path, const std::string& status, const std::string& error,
                        std::size_t existing_devices, const DefaultEndpointSet& defaults_before,
                        const AudioApi& audio = real_audio_api());

// Creates the report's parent folder and its missing ancestors.
void create_report_folder(const std::wstring& path);

void write_endpoint_array(std::ostream& out, const DefaultEndpointSet& endpoints);
std::string json_quote(const std::string& bytes);
std::string to_utf8(const std::wstring& text);
