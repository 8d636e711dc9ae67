// URL to output path: the pure mapping, in tables.
#include "extract/output_path.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/path_containment.h"
#include "support/settings_flags.h"

namespace {

// "%xx" for the byte, spelt out here rather than formatted by the program's code.
std::string Hex(unsigned char byte) {
  const char* digits = "0123456789abcdef";
  return std::string("%") + digits[byte >> 4] + digits[byte & 15];
}

// What the mapping yields for one URL, in a form the tables can spell out.
struct Mapped {
  std::string path;
  std::string folders;  // each folder level once, "/"-ended, sorted, as a tree lists them
  std::string escaped;  // the escaped bytes, in order
  bool unknownPrefix;
};

Mapped Map(const Settings& settings, const std::string& url) {
  auto path = std::make_unique<OutputPath>();
  BuildOutputPath(settings, url.c_str(), *path);
  Mapped mapped;
  mapped.path = path->text;
  EXPECT_EQ(path->length, mapped.path.size()) << url;
  EXPECT_EQ(PathProblem(path->text, path->length), "") << url;
  if (settings.windowsNames) {
    EXPECT_EQ(WindowsNameProblem(path->text, path->length), "") << url;
  }
  mapped.unknownPrefix = path->unknownPrefix;
  std::set<std::string> folders;
  std::size_t lastPosition = 0;
  for (std::size_t i = 0; i < path->eventCount; ++i) {
    const PathEvent& event = path->events[i];
    EXPECT_GE(event.position, lastPosition) << url;
    lastPosition = event.position;
    if (event.kind == PathEvent::kEscaped) {
      mapped.escaped += static_cast<char>(event.byte);
      EXPECT_EQ(mapped.path.substr(event.position, 3), Hex(event.byte)) << url;
    } else {
      EXPECT_EQ(mapped.path[event.position], '/') << url;
      std::string level = mapped.path.substr(0, event.position) + "/";
      // Two separators in a row name the same folder twice.
      for (std::size_t at; (at = level.find("//")) != std::string::npos;) level.erase(at, 1);
      folders.insert(level);
    }
  }
  for (const std::string& folder : folders) mapped.folders += folder + "\n";
  return mapped;
}

struct PathCase {
  const char* url;
  int skip;
  const char* path;
  const char* folders;
};

TEST(OutputPathPrefixes, KnownPrefixesMatchWithoutCaseAndAreSkippedWithP) {
  const PathCase cases[] = {
      {"HTTP://Host/A/", 1, "Host/A/index.htm", "Host/\nHost/A/\n"},
      {"Http://h/x", 1, "h/x", "h/\n"},
      {"ftp://host/pub/f.txt", 0, "ftp%3a//host/pub/f.txt",
       "ftp%3a/\nftp%3a/host/\nftp%3a/host/pub/\n"},
      {"FTP://host/f", 1, "host/f", "host/\n"},
      {"wysiwyg://3/http://host/x", 1, "3/http%3a//host/x", "3/\n3/http%3a/\n3/http%3a/host/\n"},
      {"WysiWyg://3/x", 0, "WysiWyg%3a//3/x", "WysiWyg%3a/\nWysiWyg%3a/3/\n"},
  };
  for (const PathCase& c : cases) {
    Mapped mapped = Map(Flags(c.skip, 0, 0), c.url);
    EXPECT_EQ(mapped.path, c.path) << c.url;
    EXPECT_EQ(mapped.folders, c.folders) << c.url;
    EXPECT_FALSE(mapped.unknownPrefix) << c.url;
  }
}

TEST(OutputPathPrefixes, UnknownPrefixIsFlaggedWithOrWithoutP) {
  const PathCase cases[] = {
      {"https://host/x", 1, "https%3a//host/x", "https%3a/\nhttps%3a/host/\n"},
      {"https://host/x", 0, "https%3a//host/x", "https%3a/\nhttps%3a/host/\n"},
      {"http:/host/x", 1, "http%3a/host/x", "http%3a/\nhttp%3a/host/\n"},
      {"http:\\\\host\\x", 1, "http%3a//host/x", "http%3a/\nhttp%3a/host/\n"},
      {"mailto:a@b", 1, "mailto%3aa@b", ""},
      {"http", 1, "http", ""},
  };
  for (const PathCase& c : cases) {
    Mapped mapped = Map(Flags(c.skip, 0, 0), c.url);
    EXPECT_EQ(mapped.path, c.path) << c.url;
    EXPECT_EQ(mapped.folders, c.folders) << c.url;
    EXPECT_TRUE(mapped.unknownPrefix) << c.url;
  }
}

TEST(OutputPathEscapes, EscapedBytes) {
  struct EscapeCase {
    std::string url;
    int skip, noNonAscii;
    std::string path;
    std::string escaped;
  };
  const EscapeCase cases[] = {
      {"http://h/<>?|*:", 1, 0, "h/%3c%3e%3f%7c%2a%3a", "<>?|*:"},
      {"http://h/a\tb\x01\x1f", 1, 0, "h/a%09b%01%1f", "\t\x01\x1f"},
      {"http://h/\xe9t\x80\xff", 1, 1, "h/%e9t%80%ff", "\xe9\x80\xff"},
      {"http://h/\xe9t\x80\xff", 1, 0, "h/\xe9t\x80\xff", ""},
      {"http://h/\"%3a#~&= \x7f", 1, 1, "h/\"%3a#~&= \x7f", ""},
      {"http://h/q?a=1", 1, 0, "h/q%3fa=1", "?"},
      {"ftp://host/pub/f.txt", 0, 0, "ftp%3a//host/pub/f.txt", ":"},
  };
  for (const EscapeCase& c : cases) {
    Mapped mapped = Map(Flags(c.skip, c.noNonAscii, 0), c.url);
    EXPECT_EQ(mapped.path, c.path) << c.url;
    EXPECT_EQ(mapped.escaped, c.escaped) << c.url;
  }
}

TEST(OutputPathSeparators, BothSeparatorsAndTheDefaultName) {
  const PathCase cases[] = {
      {"http://h\\a\\b", 1, "h/a/b", "h/\nh/a/\n"},
      {"http://host/a//b", 1, "host/a//b", "host/\nhost/a/\n"},
      {"http://host", 1, "host", ""},
      {"http://host/", 1, "host/index.htm", "host/\n"},
      {"http://host/a/", 0, "http%3a//host/a/index.htm",
       "http%3a/\nhttp%3a/host/\nhttp%3a/host/a/\n"},
      // A known prefix alone: the default name rather than an empty path.
      {"http://", 1, "index.htm", ""},
      {"wysiwyg://", 1, "index.htm", ""},
      // A leading separator would make the path absolute: the empty level is dropped.
      {"http:///x", 1, "x", ""},
      {"http:////a//", 1, "a//index.htm", "a/\n"},
      {"http://\\\\a", 1, "a", ""},
  };
  for (const PathCase& c : cases) {
    Mapped mapped = Map(Flags(c.skip, 0, 1), c.url);
    EXPECT_EQ(mapped.path, c.path) << c.url;
    EXPECT_EQ(mapped.folders, c.folders) << c.url;
  }
}

TEST(OutputPathContainment, DotSegmentsBecomeOrdinaryNames) {
  struct DotCase {
    std::string url;
    int skip;
    std::string path;
    std::string folders;
    std::string escaped;
  };
  const DotCase cases[] = {
      {"http://h/../x", 1, "h/%2e%2e/x", "h/\nh/%2e%2e/\n", ".."},
      {"http:///../x", 1, "%2e%2e/x", "%2e%2e/\n", ".."},
      {"http://./a/.", 1, "%2e/a/%2e", "%2e/\n%2e/a/\n", ".."},
      {"http://..\\..", 1, "%2e%2e/%2e%2e", "%2e%2e/\n", "...."},
      {"http://a//..//b", 1, "a//%2e%2e//b", "a/\na/%2e%2e/\n", ".."},
      {"http://host/../../etc/passwd", 0, "http%3a//host/%2e%2e/%2e%2e/etc/passwd",
       "http%3a/\nhttp%3a/host/\nhttp%3a/host/%2e%2e/\nhttp%3a/host/%2e%2e/%2e%2e/\n"
       "http%3a/host/%2e%2e/%2e%2e/etc/\n",
       ":...."},
      // Names that some file systems trim to ".." (trailing dots and blanks).
      {"http://a/.../b", 1, "a/%2e%2e%2e/b", "a/\na/%2e%2e%2e/\n", "..."},
      {"http://a/.. /b", 1, "a/%2e%2e /b", "a/\na/%2e%2e /\n", ".."},
      // Dots in an ordinary name stay.
      {"http://a/..x/.b/x.", 1, "a/..x/.b/x.", "a/\na/..x/\na/..x/.b/\n", ""},
  };
  for (const DotCase& c : cases) {
    Mapped mapped = Map(Flags(c.skip, 0, 1), c.url);
    EXPECT_EQ(mapped.path, c.path) << c.url;
    EXPECT_EQ(mapped.folders, c.folders) << c.url;
    EXPECT_EQ(mapped.escaped, c.escaped) << c.url;
  }
}

TEST(OutputPathContainment, OverlongUrlIsCutInsideTheBufferAndStillSafe) {
  // Every byte escaped: the longest possible path.
  Mapped mapped = Map(Flags(1, 0, 0), "http://" + std::string(5000, ':'));
  EXPECT_EQ(mapped.path.size(), kMaxWalkedUrlBytes * 3);
  EXPECT_LE(mapped.path.size(), kMaxBaseNameLength);

  // The cut falls inside "..x": what is left is "..", and it is escaped.
  std::string walk = std::string(kMaxWalkedUrlBytes - 3, 'a') + "/..x";
  EXPECT_EQ(Map(Flags(1, 0, 0), "http://" + walk).path,
            std::string(kMaxWalkedUrlBytes - 3, 'a') + "/%2e%2e");

  // A cut right after a separator gives the default name.
  walk = std::string(kMaxWalkedUrlBytes - 1, 'b') + "/c";
  EXPECT_EQ(Map(Flags(1, 0, 0), "http://" + walk).path,
            std::string(kMaxWalkedUrlBytes - 1, 'b') + "/index.htm");

  // Every byte a separator: the most events a URL can give.
  mapped = Map(Flags(1, 0, 0), "http://a" + std::string(5000, '/'));
  EXPECT_EQ(mapped.folders, "a/\n");
}

// Replays the fuzzer's saved corpus with the fuzzer's own checks.
TEST(OutputPathContainment, FuzzCorpusStaysInside) {
  std::string corpus = std::string(TALVEX_SOURCE_DIR) + "/fuzz/corpus/output_path_fuzzer";
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::string input = ReadFile(entry.path().string());
    if (input.empty()) continue;
    std::string url = input.substr(1, input.find('\0', 1) - 1);
    Map(SettingsFromFuzzFlags(static_cast<unsigned char>(input[0])), url);
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
