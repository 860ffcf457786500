#include <gtest/gtest.h>

#include <sstream>

#include "fake_audio.h"
#include "report.h"
#include "test_support.h"

namespace {

const DefaultEndpointSet kEmpty{};
const std::string kEmptyArray = R"(["","","","","",""])";

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
  // The stream was closed on the way out: Windows refuses to delete a file that is still open.
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(FinalReport, PathNamingAFolderIsAFalseResult) {
  TempFolder dir;
  FakeAudio audio;
  EXPECT_FALSE(write_final_report(dir.path().wstring(), "probe", "", 0, kEmpty, audio.api()));
}

TEST(CreateReportFolder, ParentThatIsAFileRaisesTheFilesystemError) {
  TempFolder dir;
  std::ofstream(dir.path() / L"file") << "x";
  EXPECT_THROW(create_report_folder(dir / L"file\\report.json"), std::filesystem::filesystem_error);
  FakeAudio audio;
  EXPECT_THROW(write_final_report(dir / L"file\\sub\\report.json", "probe", "", 0, kEmpty, audio.api()),
               std::filesystem::filesystem_error);
  EXPECT_EQ(audio.creations, 0);  // nothing written, no snapshot taken
}

TEST(CreateReportFolder, ParentFollowsWindowsPathRules) {
  // The folder that create_report_folder makes is the library's parent path, which
  // must follow Windows rules here: both separators, root names kept.
  const std::pair<const wchar_t*, const wchar_t*> table[] = {
      {L"C:/out/report.json", L"C:/out"},   {L"C:\\out\\\\report.json", L"C:\\out"},
      {L"C:/report.json", L"C:/"},          {L"out\\report.json", L"out"},
      {L"//server/share/r.json", L"//server/share"}, {L"report.json", L""},
      {L"C:/out/", L"C:/out"},              {L"C:report.json", L"C:"},
  };
  for (const auto& [path, parent] : table)
    EXPECT_EQ(std::filesystem::path(path).parent_path().wstring(), parent) << std::filesystem::path(path);
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
