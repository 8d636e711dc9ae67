// The Windows command line, split into the program's arguments.
#include "platform/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The arguments joined with '|' around each, so an empty one shows as "||".
std::string Joined(const std::u16string& line) {
  std::string joined;
  for (const std::u16string& argument : SplitCommandLine(line))
    joined += "|" + std::string(argument.begin(), argument.end()) + "|";
  return joined;
}

TEST(SplitCommandLine, QuotesBackslashesAndBlanks) {
  struct Case {
    std::u16string line;
    std::string arguments;
  };
  const Case cases[] = {
      // The program word, quoted or not, and the white space after it are skipped.
      {u"talvex.exe", ""},
      {u"talvex.exe  \t ", ""},
      {u"\"C:\\Program Files\\talvex.exe\" -v cache", "|-v||cache|"},
      {u"\"C:\\my dir\\t.exe\"cache", "|cache|"},
      {u"C:\\tools\\talvex\t/p  \t C:\\cache", "|/p||C:\\cache|"},
      // Quotes switch quoting and are dropped; "" is an empty argument.
      {u"t \"C:\\Documents and Settings\\cache\" x", "|C:\\Documents and Settings\\cache||x|"},
      {u"t a\"b c\"d", "|ab cd|"},
      {u"t \"\" x", "|||x|"},
      {u"t -o\"\"", "|-o|"},
      {u"t \"unclosed quote", "|unclosed quote|"},
      // One backslash and a quote: the quote itself. Two: a backslash, then a switch.
      {u"t a\\\"b", "|a\"b|"},
      {u"t \"a\\\"b c\"", "|a\"b c|"},
      {u"t \"a\\\\\" b", "|a\\||b|"},
      // Other backslashes stay, a final one included.
      {u"t C:\\cache\\ \\\\server\\share", "|C:\\cache\\||\\\\server\\share|"},
      // A quoted path ending in a backslash: the quote becomes a character and the rest joins.
      {u"t \"C:\\cache\\\" -v", "|C:\\cache\" -v|"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Joined(c.line), c.arguments) << std::string(c.line.begin(), c.line.end());
}

TEST(SplitCommandLine, KeepsCharactersBeyondAscii) {
  std::vector<std::u16string> arguments = SplitCommandLine(u"t \"C:\\j\u00fcrgen \u043a\"");
  ASSERT_EQ(arguments.size(), 1u);
  EXPECT_EQ(arguments[0], u"C:\\j\u00fcrgen \u043a");
}

}  // namespace
