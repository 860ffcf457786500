#include "driver_setup/report/report.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

#include "driver_setup/report/report_file.h"

std::string to_utf8(const std::wstring& text, decltype(&::WideCharToMultiByte) convert) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  // Flags 0: an unpaired surrogate becomes U+FFFD instead of failing the call.
  const int size = convert(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) convert(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::string json_quote(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string quoted = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      quoted += "\\u00";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xF];
    } else {
      quoted += c;  // 0x7F and above pass raw: UTF-8 sequences stay whole
    }
  }
  return quoted + '"';
}

void write_endpoint_array(std::ostream& out, const DefaultEndpointSet& endpoints) {
  out << '[';
  for (std::size_t slot = 0; slot < endpoints.size(); ++slot) {
    if (slot) out << ',';
    out << json_quote(to_utf8(endpoints[slot]));
  }
  out << ']';
}

void write_installing_report(const std::wstring& path, const DefaultEndpointSet& defaults_before,
                             const ReportApi& report) {
  create_report_folder(path, report);
  std::ostringstream out;
  out << R"({"status":"installing","defaults_before":)";
  write_endpoint_array(out, defaults_before);
  out << '}';
  if (!save_report(path, out.str(), report))
    throw std::runtime_error("Cannot save the audio baseline before installation");
}

bool write_final_report(const std::wstring& path, const std::string& status, const std::string& error,
                        std::size_t existing_devices, const DefaultEndpointSet& defaults_before,
                        const AudioApi& audio, const ReportApi& report) {
  create_report_folder(path, report);
  std::ostringstream out;
  out << R"({"status":)" << json_quote(status) << R"(,"error":)" << json_quote(error)
      << R"(,"existing_devices":)" << existing_devices << R"(,"defaults_before":)";
  write_endpoint_array(out, defaults_before);
  out << R"(,"defaults_after":)";
  DefaultEndpointSet defaults_after;
  try {
    defaults_after = snapshot_default_endpoints(audio);
  } catch (...) {
    save_report(path, out.str(), report);  // best effort: what was composed, then the snapshot's error
    throw;
  }
  write_endpoint_array(out, defaults_after);
  out << '}';
  return save_report(path, out.str(), report);
}
