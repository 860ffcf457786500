#include "driver_setup/payload/payload_path.h"

#include <gtest/gtest.h>

namespace {

TEST(JoinPayloadPath, PutsOneBackslashOnlyWhereTheFolderNeedsIt) {
  const struct {
    const wchar_t* folder;
    const wchar_t* joined;
  } cases[] = {
      {L"", L"x.inf"},                       // relative to the current directory
      {L"C:\\payload", L"C:\\payload\\x.inf"},
      {L"C:\\payload\\", L"C:\\payload\\x.inf"},
      {L"C:/payload/", L"C:/payload/x.inf"},
      {L"C:/payload", L"C:/payload\\x.inf"},
      {L"payload", L"payload\\x.inf"},
      {L".", L".\\x.inf"},
      {L"\\\\server\\share", L"\\\\server\\share\\x.inf"},
      {L"Z:", L"Z:x.inf"},                   // the drive's current directory, not its root
      {L"c:", L"c:x.inf"},
      {L"Z:\\", L"Z:\\x.inf"},
      {L"1:", L"1:\\x.inf"},                 // not a drive letter
      {L"ZZ:", L"ZZ:\\x.inf"},
      {L":", L":\\x.inf"},
      {L"Z:payload", L"Z:payload\\x.inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(join_payload_path(c.folder, L"x.inf"), c.joined) << c.folder;
}

}  // namespace
