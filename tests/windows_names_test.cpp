// Names Windows refuses or reads as devices, and how the URL mapping escapes
// them when it follows the Windows naming rules.
#include "extract/windows_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "extract/output_path.h"
#include "platform/superscript.h"
#include "platform/system.h"

namespace {

TEST(WindowsNames, ReservedDeviceNames) {
  const char* reserved[] = {"CON", "con", "Con.html", "nul.txt", "NUL.tar.gz", "aux", "PRN", "com1",
                            "COM9.x", "lpt1.gif", "LPT9", "CONIN$", "conout$.txt", "con ",
                            "nul .txt", "COM0", "lpt0.txt", "CLOCK$", "clock$ .html",
                            // The superscripts ¹ ² ³ in UTF-8: "\xc2\xb9" is U+00B9.
                            "COM\xc2\xb9", "lpt\xc2\xb2", "Com\xc2\xb3.x", "LPT\xc2\xb9 .txt"};
  const char* ordinary[] = {"", "CO", "CONS", "con_", "xcon", "COM", "COM10", "LPT", "lptx",
                            "nul_.txt", ".con", "conin", "CONOUT", " con", "CLOCK", "clock$x",
                            // Other characters, or more than one, after COM or LPT.
                            "COM\xc2", "COM\xc2\xb4", "COM\xc2\xb9\xc2\xb9", "LPT\xc3\xb9",
                            "COM1\xc2\xb9"};
  for (const char* name : reserved)
    EXPECT_TRUE(IsReservedDeviceName(name, std::strlen(name))) << name;
  for (const char* name : ordinary)
    EXPECT_FALSE(IsReservedDeviceName(name, std::strlen(name))) << name;
  // Only the given length counts.
  EXPECT_TRUE(IsReservedDeviceName("nul/x", 3));
  EXPECT_FALSE(IsReservedDeviceName("nulx", 4));
  // The one-byte superscripts of the names' character set: Latin-1 on POSIX,
  // the console's code page on Windows (checked there against the system).
  for (int digit = 1; digit <= 3; ++digit) {
    char byte = SuperscriptDigitByte(digit);
    if (!kWindowsNameRules) {
      EXPECT_EQ(byte, "\xb9\xb2\xb3"[digit - 1]) << digit;
    }
    if (byte == '\0') continue;
    for (std::string name : {"COM", "lpt", "Com"}) {
      name += byte;
      EXPECT_TRUE(IsReservedDeviceName(name.c_str(), name.size())) << digit;
      name += " .gif";
      EXPECT_TRUE(IsReservedDeviceName(name.c_str(), name.size())) << digit;
    }
  }
}

std::string Map(const std::string& url, bool windowsNames, std::string* escaped) {
  Settings settings;
  settings.skipKnownPrefixes = true;
  settings.windowsNames = windowsNames;
  auto path = std::make_unique<OutputPath>();
  BuildOutputPath(settings, url.c_str(), *path);
  escaped->clear();
  for (std::size_t i = 0; i < path->eventCount; ++i) {
    const PathEvent& event = path->events[i];
    if (event.kind != PathEvent::kEscaped) continue;
    *escaped += static_cast<char>(event.byte);
    EXPECT_EQ(path->text[event.position], '%') << url;
  }
  std::string text = path->text;
  for (char& c : text)
    if (c == kPathSeparator) c = '/';
  return text;
}

TEST(WindowsNames, MappingEscapesDevicesFinalDotsAndBlanksAndQuotes) {
  struct Case {
    const char* url;
    const char* path;
    const char* escaped;
  };
  const Case cases[] = {
      {"http://h/CON", "h/%43ON", "C"},
      {"http://h/con.html", "h/%63on.html", "c"},
      {"http://h/nul.txt", "h/%6eul.txt", "n"},
      {"http://h/AUX/page.html", "h/%41UX/page.html", "A"},
      {"http://h/lpt1.gif", "h/%6cpt1.gif", "l"},
      {"http://CONIN$/x", "%43ONIN$/x", "C"},
      {"http://h/dot./a.html", "h/dot%2e/a.html", "."},
      {"http://h/trail.", "h/trail%2e", "."},
      {"http://h/blank /c.html", "h/blank%20/c.html", " "},
      {"http://h/con ", "h/%63on%20", "c "},
      {"http://h/com0/LPT0.x", "h/%63om0/%4cPT0.x", "cL"},
      {"http://h/Clock$.txt", "h/%43lock$.txt", "C"},
      {"http://h/COM\xc2\xb2.htm", "h/%43OM\xc2\xb2.htm", "C"},
      {"http://h/q\"uote.html", "h/q%22uote.html", "\""},
      // Dot levels keep their own escapes; the final blank is escaped too.
      {"http://h/.. /x", "h/%2e%2e%20/x", ".. "},
      // Ordinary names stay, and so does a name that only contains a device name.
      {"http://h/console/conf.nul", "h/console/conf.nul", ""},
      {"http://h/a.b/c d", "h/a.b/c d", ""},
  };
  std::string escaped;
  for (const Case& c : cases) {
    EXPECT_EQ(Map(c.url, true, &escaped), c.path) << c.url;
    EXPECT_EQ(escaped, c.escaped) << c.url;
  }
  // Without the Windows rules these names stay as they are.
  EXPECT_EQ(Map("http://h/CON/trail./q\"", false, &escaped), "h/CON/trail./q\"");
  EXPECT_EQ(escaped, "");
}

}  // namespace
