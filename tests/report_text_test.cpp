#include <gtest/gtest.h>

#include <string>

#include "core/text_escape.h"
#include "run/output_place.h"

namespace {

// Every report line is printable UTF-8: what is not is written as \xHH.
TEST(ReportText, PrintableKeepsUtf8AndEscapesTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://h/a b", "http://h/a b"},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {"caf\xE9", "caf\\xE9"},                     // Latin-1, not UTF-8
      {"\x1B[31m\x7F", "\\x1B[31m\\x7F"},          // C0 and DEL
      {"\xC2\x85\xC2\xA0", "\\xC2\\x85\xC2\xA0"},  // C1 (NEL), then a no-break space
      {"\xE0\x80\xAF\xED\xA0\x80", "\\xE0\\x80\\xAF\\xED\\xA0\\x80"},  // overlong, surrogate
      {"\xE2\x82", "\\xE2\\x82"},                                      // cut at the end
      {"a\\b", "a\\x5Cb"},
  };
  for (const auto& [bytes, printable] : cases) EXPECT_EQ(Printable(bytes), printable) << bytes;
  EXPECT_EQ(CsvField("a,\"b\"\x01"), "\"a,\"\"b\"\"\\x01\"");
  EXPECT_EQ(JsonString("\"\\\xFF"), "\"\\\"\\\\x5C\\\\xFF\"");
  EXPECT_EQ(HtmlText("<a href='x'>&"), "&lt;a href=&#39;x&#39;&gt;&amp;");
  EXPECT_EQ(UrlPath("h/a b%3a\xE9~"), "h/a%20b%253a%E9~");
}

TEST(ReportText, IsoTimesAndRelativeLinks) {
  EXPECT_EQ(IsoTime(0), "");
  EXPECT_EQ(IsoTime(951825599), "2000-02-29T11:59:59Z");
  EXPECT_EQ(IsoTime(4294967295u), "2106-02-07T06:28:15Z");
  EXPECT_EQ(RelativeLink("/a/b", "/a/c d/e"), "../c%20d/e/");
  EXPECT_EQ(RelativeLink("/a", "/a"), "./");
  EXPECT_EQ(RelativeLink("/", "/x"), "x/");
}

}  // namespace
