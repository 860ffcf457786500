#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <sstream>
#include <vector>

#include "driver_setup/report/report.h"
#include "tests/unit/fake_audio.h"
#include "tests/unit/test_support.h"

namespace {

const DefaultEndpointSet kEmpty{};
const std::string kEmptyArray = R"(["","","","","",""])";

// No handle to the file is left open: Windows then grants an open that shares nothing.
bool nobody_holds(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// The real file calls, but WriteFile takes at most 7 bytes, or the flush or the close fails.
BOOL WINAPI write_seven_bytes(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  return WriteFile(file, data, std::min<DWORD>(size, 7), written, overlapped);
}
BOOL WINAPI failing_flush(HANDLE) {
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}
BOOL WINAPI failing_close(HANDLE file) {
  CloseHandle(file);
  SetLastError(ERROR_NETNAME_DELETED);  // a network share dropped before the last data reached it
  return FALSE;
}
// A write that succeeds and takes nothing, as a redirector or filter driver may
// answer: WriteFile sets the count to zero before any work. Counted, so that a
// writer that retried it forever fails the test instead of hanging it.
int g_zero_writes = 0;
BOOL WINAPI write_nothing(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
  *written = 0;
  if (++g_zero_writes < 100) return TRUE;
  SetLastError(ERROR_WRITE_FAULT);
  return FALSE;
}
// A pipe, as GetFileType names it: a flush there would wait for the reader.
DWORD WINAPI pipe_type(HANDLE) { return FILE_TYPE_PIPE; }
// GetFileType answers FILE_TYPE_UNKNOWN with NO_ERROR for a type it cannot tell.
DWORD WINAPI unknown_type(HANDLE) {
  SetLastError(NO_ERROR);
  return FILE_TYPE_UNKNOWN;
}

TEST(JsonQuote, EscapesOnlyQuoteBackslashAndControlBytes) {
  EXPECT_EQ(json_quote(""), R"("")");
  EXPECT_EQ(json_quote("a\"b\\c\nd\te"), R"("a\"b\\c\u000ad\u0009e")");
  EXPECT_EQ(json_quote(std::string("\x00\x1f\x7f/", 4)), "\"\\u0000\\u001f\x7f/\"");
  EXPECT_EQ(json_quote("caf\xc3\xa9 \xff"), "\"caf\xc3\xa9 \xff\"");
}

TEST(ToUtf8, ConvertsExactLengthAndReplacesUnpairedSurrogates) {
  EXPECT_EQ(to_utf8(L""), "");
  EXPECT_EQ(to_utf8(L"{0.0.0.00000000}"), "{0.0.0.00000000}");
  EXPECT_EQ(to_utf8(L"\u00e9\u20ac"), "\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(to_utf8(L"\U0001F600"), "\xf0\x9f\x98\x80");  // a surrogate pair gives one sequence
  EXPECT_EQ(to_utf8(L"a\xD800z"), "a\xef\xbf\xbdz");
  EXPECT_EQ(to_utf8(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));  // not NUL-terminated
}

// A sizing call that fails (0, with its last error): the text becomes "" and
// no conversion into a buffer of no size is tried.
int g_conversions = 0;
int WINAPI failing_sizing(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL) {
  ++g_conversions;
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

TEST(ToUtf8, TextWindowsCannotSizeBecomesEmpty) {
  EXPECT_EQ(to_utf8(L"spk", failing_sizing), "");
  EXPECT_EQ(g_conversions, 1);
}

TEST(WriteEndpointArray, SixQuotedUtf8SlotsInOrder) {
  std::ostringstream out;
  write_endpoint_array(out, {L"a\"", L"", L"\u00e9", L"", L"", L"f"});
  EXPECT_EQ(out.str(), "[\"a\\\"\",\"\",\"\xc3\xa9\",\"\",\"\",\"f\"]");
}

TEST(InstallingReport, ExactBytesAndNestedFoldersCreated) {
  TempFolder dir;
  const std::wstring path = dir / L"a\\b/c\\report.json";
  write_installing_report(path, kEmpty);
  EXPECT_EQ(read_file(path), R"({"status":"installing","defaults_before":)" + kEmptyArray + "}");
  write_installing_report(path, {L"x", L"", L"", L"", L"", L"\u00fc"});
  EXPECT_EQ(read_file(path), "{\"status\":\"installing\",\"defaults_before\":[\"x\",\"\",\"\",\"\",\"\",\"\xc3\xbc\"]}");
}

TEST(InstallingReport, FileThatCannotBeOpened) {
  TempFolder dir;
  const std::string expected = "Cannot save the audio baseline before installation";
  EXPECT_EQ(error_of([&] { write_installing_report(dir.path().wstring(), kEmpty); }), expected);
  EXPECT_EQ(error_of([&] { write_installing_report(dir / L"sub\\", kEmpty); }), expected);
}

TEST(FinalReport, ExactBytesWithTheAfterSnapshotTakenWhileWriting) {
  TempFolder dir;
  FakeAudio audio;
  audio.set_defaults({L"spk", L"spk", L"", L"mic", L"", L""});
  const std::wstring path = dir / L"report.json";
  // What the file held before is replaced whole.
  write_installing_report(path, {L"a much longer baseline that must not survive", L"", L"", L"", L"", L""});
  EXPECT_TRUE(write_final_report(path, "error", "bad \"x\"\n", 3, {L"", L"", L"", L"", L"", L"z"}, audio.api()));
  EXPECT_EQ(read_file(path), R"({"status":"error","error":"bad \"x\"\u000a","existing_devices":3,)"
                             R"("defaults_before":["","","","","","z"],)"
                             R"("defaults_after":["spk","spk","","mic","",""]})");
  EXPECT_EQ(audio.creations, 1);
  EXPECT_EQ(audio.live_objects, 0);
}

TEST(FinalReport, FailingAfterSnapshotLeavesTheFileClosedAfterItsKey) {
  TempFolder dir;
  FakeAudio audio;
  audio.create_result = E_FAIL;
  const std::wstring path = dir / L"report.json";
  EXPECT_EQ(error_of([&] { write_final_report(path, "probe", "", 0, kEmpty, audio.api()); }),
            "Cannot enumerate default audio endpoints");
  EXPECT_EQ(read_file(path), R"({"status":"probe","error":"","existing_devices":0,"defaults_before":)" + kEmptyArray +
                                 R"(,"defaults_after":)");
  EXPECT_TRUE(nobody_holds(path));
}

TEST(ReportFile, OnlyAReportHandedOverWholeFlushedAndClosedCounts) {
  const std::string whole = R"({"status":"probe","error":"","existing_devices":0,"defaults_before":)" + kEmptyArray +
                            R"(,"defaults_after":)" + kEmptyArray + "}";
  ReportApi short_writes = real_report_api(), bad_flush = short_writes, bad_close = short_writes;
  ReportApi zero_writes = short_writes, unknown_type_bad_flush = short_writes, pipe_bad_flush = short_writes;
  short_writes.write_file = write_seven_bytes;
  bad_flush.flush_file_buffers = failing_flush;
  bad_close.close_handle = failing_close;
  zero_writes.write_file = write_nothing;
  // A file of a type Windows cannot tell is flushed too, and here that flush fails.
  unknown_type_bad_flush.get_file_type = unknown_type;
  unknown_type_bad_flush.flush_file_buffers = failing_flush;
  // A pipe is not flushed: here a flush would fail the report.
  pipe_bad_flush.get_file_type = pipe_type;
  pipe_bad_flush.flush_file_buffers = failing_flush;
  struct Case {
    const char* name;
    ReportApi api;
    bool written;
    std::string bytes;
  };
  const Case cases[] = {{"short writes", short_writes, true, whole},
                        {"failing flush", bad_flush, false, whole},
                        {"failing close", bad_close, false, whole},
                        {"zero-byte writes", zero_writes, false, ""},
                        {"unknown file type", unknown_type_bad_flush, false, whole},
                        {"pipe", pipe_bad_flush, true, whole}};
  for (const auto& [name, api, written, bytes] : cases) {
    TempFolder dir;
    FakeAudio audio;
    const std::wstring path = dir / L"report.json";
    g_zero_writes = 0;
    EXPECT_EQ(write_final_report(path, "probe", "", 0, kEmpty, audio.api(), api), written) << name;
    EXPECT_EQ(read_file(path), bytes) << name;
    EXPECT_EQ(error_of([&] { write_installing_report(path, kEmpty, api); }),
              written ? "(nothing raised)" : "Cannot save the audio baseline before installation")
        << name;
    EXPECT_TRUE(nobody_holds(path)) << name;
    EXPECT_LE(g_zero_writes, 2) << name << ": a write that took nothing was tried again";
  }
}

TEST(CreateReportFolder, ParentThatIsAFileRaisesTheFolderErrorWithWindowsText) {
  TempFolder dir;
  std::ofstream(dir.path() / L"file") << "x";
  // The system's description of ERROR_ALREADY_EXISTS ("File already exists." under
  // Wine, another sentence on Windows), without the line break that ends it.
  wchar_t text[256];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                ERROR_ALREADY_EXISTS, 0, text, 256, nullptr);
  while (length > 0 && iswspace(text[length - 1])) --length;
  const std::string exists = "create_directories: " + to_utf8(std::wstring(text, length)) + ": \"";
  const std::string parent = to_utf8(dir / L"file");
  EXPECT_EQ(error_of([&] { create_report_folder(dir / L"file\\report.json"); }), exists + parent + "\"");
  FakeAudio audio;
  EXPECT_EQ(error_of([&] { write_final_report(dir / L"file\\sub\\report.json", "probe", "", 0, kEmpty, audio.api()); }),
            exists + parent + "\\sub\"");
  EXPECT_EQ(audio.creations, 0);  // nothing written, no snapshot taken
}

// CreateDirectoryW answering one code per call (0: created); once they are
// used up it refuses, so that a walk which never stops fails instead of
// hanging. GetFileAttributesW finds nothing.
std::vector<DWORD> g_create_answers;
std::vector<std::wstring> g_folders_tried;
BOOL WINAPI answering_create_directory(LPCWSTR folder, LPSECURITY_ATTRIBUTES) {
  const std::size_t call = g_folders_tried.size();
  g_folders_tried.emplace_back(folder);
  const DWORD code = call < g_create_answers.size() ? g_create_answers[call] : ERROR_ACCESS_DENIED;
  SetLastError(code);
  return code == ERROR_SUCCESS;
}
DWORD WINAPI nothing_there(LPCWSTR) {
  SetLastError(ERROR_PATH_NOT_FOUND);
  return INVALID_FILE_ATTRIBUTES;
}
// FormatMessageW with this text, as Windows ends it, or, when it is empty,
// with none for the code: 0, and a last error of its own.
std::wstring g_text;
DWORD WINAPI text_or_none(DWORD, LPCVOID, DWORD, DWORD, LPWSTR buffer, DWORD size, va_list*) {
  if (g_text.empty() || g_text.size() >= size) {
    SetLastError(g_text.empty() ? ERROR_MR_MID_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(g_text.begin(), g_text.end(), buffer);
  buffer[g_text.size()] = L'\0';
  return static_cast<DWORD>(g_text.size());
}

// A drive that does not exist: the walk up stops below its root. A folder
// refused on the way down (its parent just made) raises the refusal.
TEST(CreateReportFolder, MissingDriveAndFolderRefusedOnTheWayDown) {
  ReportApi api = real_report_api();
  api.create_directory = answering_create_directory;
  api.get_file_attributes = nothing_there;
  api.format_message = text_or_none;
  const std::wstring path = L"Q:\\a\\b\\report.json";
  g_create_answers = {ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND};
  g_text.clear();
  EXPECT_EQ(error_of([&] { create_report_folder(path, api); }), "create_directories: Windows error 3: \"Q:\\a\\b\"");
  EXPECT_EQ(g_folders_tried, (std::vector<std::wstring>{L"Q:\\a\\b", L"Q:\\a"}));

  g_create_answers = {ERROR_PATH_NOT_FOUND, ERROR_SUCCESS, ERROR_ACCESS_DENIED};
  g_folders_tried.clear();
  g_text = L"Access is denied. \r\n";
  EXPECT_EQ(error_of([&] { create_report_folder(path, api); }), "create_directories: Access is denied.: \"Q:\\a\\b\"");
  EXPECT_EQ(g_folders_tried.size(), 3u);
}

TEST(CreateReportFolder, PathWithoutFolderCreatesNothing) {
  TempFolder dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_NO_THROW(create_report_folder(L"report.json"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  std::filesystem::current_path(before);
}

}  // namespace
