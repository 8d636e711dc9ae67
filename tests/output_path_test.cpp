// URL to output path: the path text, the messages, the pause and the folders on disk.
#include "extract/output_path.h"

#include <dirent.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/ansi_path.h"
#include "run/messages.h"
#include "support/cwd_guard.h"
#include "support/files.h"
#include "support/path_containment.h"

namespace {

Settings Flags(int skipKnownPrefixes, int noNonAsciiNames, int verbose) {
  Settings settings;
  settings.skipKnownPrefixes = skipKnownPrefixes;
  settings.noNonAsciiNames = noNonAsciiNames;
  settings.verbose = verbose;
  return settings;
}

// The verbose line for one escaped byte, spelt out here rather than formatted
// with the program's own text.
std::string Renamed(char byte, const char* hex, const std::string& url) {
  return std::string(" Renaming char: '") + byte + "' to '%" + hex + "' in '" + url + "'\n";
}

std::string Unknown(const std::string& url) {
  return " Unknown URL prifix: '" + url + "'\n";
}

struct Outcome {
  std::string path;
  std::string out;   // standard output
  bool paused;       // the pause prompt appeared on standard error
  std::string tree;  // the output directory after the call
};

// A scratch directory holding the output directory "out", which is the current
// directory while BuildOutputPath runs, as in a real run.
class Scratch {
 public:
  Scratch() { MakeDirs(Out()); }
  std::string Out() const { return root_ / "out"; }

  // Runs BuildOutputPath and checks what must hold for every URL: the length, the
  // buffer's bound, and that the path and everything made stay inside "out".
  Outcome Build(const Settings& settings, const std::string& url) {
    char buffer[kPathSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    Outcome outcome;
    {
      CwdGuard cwd(Out());
      EXPECT_TRUE(cwd.entered());
      testing::internal::CaptureStdout();
      testing::internal::CaptureStderr();
      std::size_t length = BuildOutputPath(settings, url.c_str(), buffer);
      outcome.out = testing::internal::GetCapturedStdout();
      std::string err = testing::internal::GetCapturedStderr();
      outcome.paused = err.find(msg::kPausePrompt) != std::string::npos;
      EXPECT_EQ(length, std::strlen(buffer)) << url;
      EXPECT_EQ(PathProblem(buffer, length), "") << url;
      outcome.path = buffer;
    }
    for (std::size_t i = kPathSize; i < sizeof buffer; ++i)
      EXPECT_EQ(buffer[i], '#') << "written past the path buffer at " << i;
    EXPECT_EQ(NamesIn(root_.path()), "out") << "something appeared beside the output dir: " << url;
    outcome.tree = ListTree(Out());
    return outcome;
  }

 private:
  TempDir root_;
};

struct PathCase {
  const char* url;
  int skip;
  const char* path;
  const char* tree;
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
    Scratch scratch;
    Outcome outcome = scratch.Build(Flags(c.skip, 0, 0), c.url);
    EXPECT_EQ(outcome.path, c.path) << c.url;
    EXPECT_EQ(outcome.tree, c.tree) << c.url;
    EXPECT_EQ(outcome.out, "") << c.url;
    EXPECT_FALSE(outcome.paused) << c.url;
  }
}

TEST(OutputPathPrefixes, UnknownPrefixIsReportedAndPausedOnInEveryMode) {
  const PathCase cases[] = {
      {"https://host/x", 1, "https%3a//host/x", "https%3a/\nhttps%3a/host/\n"},
      {"https://host/x", 0, "https%3a//host/x", "https%3a/\nhttps%3a/host/\n"},
      {"http:/host/x", 1, "http%3a/host/x", "http%3a/\nhttp%3a/host/\n"},
      {"http:\\\\host\\x", 1, "http%3a//host/x", "http%3a/\nhttp%3a/host/\n"},
      {"mailto:a@b", 1, "mailto%3aa@b", ""},
      {"http", 1, "http", ""},
  };
  for (const PathCase& c : cases) {
    Scratch scratch;
    // Not verbose, and quiet set: the report does not depend on either.
    Settings settings = Flags(c.skip, 0, 0);
    settings.quiet = 1;
    Outcome outcome = scratch.Build(settings, c.url);
    EXPECT_EQ(outcome.path, c.path) << c.url;
    EXPECT_EQ(outcome.tree, c.tree) << c.url;
    EXPECT_EQ(outcome.out, Unknown(c.url)) << c.url;
    EXPECT_TRUE(outcome.paused) << c.url;
  }
}

TEST(OutputPathEscapes, EscapedBytesAndTheirVerboseMessages) {
  struct EscapeCase {
    std::string url;
    int skip, noNonAscii, verbose;
    std::string path;
    std::string out;
  };
  const std::string reserved = "http://h/<>?|*:";
  const std::string controls = "http://h/a\tb\x01\x1f";
  const std::string latin = "http://h/\xe9t\x80\xff";
  const std::string kept = "http://h/\"%3a#~&= \x7f";
  const std::string ftp = "ftp://host/pub/f.txt";
  const EscapeCase cases[] = {
      {reserved, 1, 0, 1, "h/%3c%3e%3f%7c%2a%3a",
       Renamed('<', "3c", reserved) + Renamed('>', "3e", reserved) + Renamed('?', "3f", reserved) +
           Renamed('|', "7c", reserved) + Renamed('*', "2a", reserved) +
           Renamed(':', "3a", reserved)},
      {reserved, 1, 0, 0, "h/%3c%3e%3f%7c%2a%3a", ""},
      {controls, 1, 0, 1, "h/a%09b%01%1f",
       Renamed('\t', "09", controls) + Renamed('\x01', "01", controls) +
           Renamed('\x1f', "1f", controls)},
      {latin, 1, 1, 1, "h/%e9t%80%ff",
       Renamed('\xe9', "e9", latin) + Renamed('\x80', "80", latin) + Renamed('\xff', "ff", latin)},
      {latin, 1, 0, 1, "h/\xe9t\x80\xff", ""},
      {kept, 1, 1, 1, "h/\"%3a#~&= \x7f", ""},
      // The message shows the URL as handed in, skipped prefix included.
      {"http://h/q?a=1", 1, 0, 1, "h/q%3fa=1", Renamed('?', "3f", "http://h/q?a=1")},
      {ftp, 0, 0, 1, "ftp%3a//host/pub/f.txt", Renamed(':', "3a", ftp)},
  };
  for (const EscapeCase& c : cases) {
    Scratch scratch;
    Outcome outcome = scratch.Build(Flags(c.skip, c.noNonAscii, c.verbose), c.url);
    EXPECT_EQ(outcome.path, c.path) << c.url;
    EXPECT_EQ(outcome.out, c.out) << c.url;
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
    Scratch scratch;
    Outcome outcome = scratch.Build(Flags(c.skip, 0, 1), c.url);
    EXPECT_EQ(outcome.path, c.path) << c.url;
    EXPECT_EQ(outcome.tree, c.tree) << c.url;
    EXPECT_FALSE(outcome.paused) << c.url;
  }
}

TEST(OutputPathConflicts, FileStandingWhereALaterEntryNeedsAFolderIsMovedAside) {
  Scratch scratch;
  EXPECT_EQ(scratch.Build(Flags(1, 0, 1), "http://host/a").path, "host/a");
  WriteFile(scratch.Out() + "/host/a", "first");  // as the saving of that entry would
  Outcome outcome = scratch.Build(Flags(1, 0, 1), "http://host/a/b");
  EXPECT_EQ(outcome.path, "host/a/b");
  EXPECT_EQ(outcome.out, "Warning: to mk_dir('host/a') renaming existent file to *_ and mk_dir.\n");
  EXPECT_EQ(outcome.tree, "host/\nhost/a/\nhost/a_\n");
  EXPECT_EQ(ReadFile(scratch.Out() + "/host/a_"), "first");
}

TEST(OutputPathContainment, DotSegmentsBecomeOrdinaryNames) {
  struct DotCase {
    std::string url;
    int skip;
    std::string path;
    std::string tree;
    int escapedDots;
  };
  const DotCase cases[] = {
      {"http://h/../x", 1, "h/%2e%2e/x", "h/\nh/%2e%2e/\n", 2},
      {"http:///../x", 1, "%2e%2e/x", "%2e%2e/\n", 2},
      {"http://./a/.", 1, "%2e/a/%2e", "%2e/\n%2e/a/\n", 2},
      {"http://..\\..", 1, "%2e%2e/%2e%2e", "%2e%2e/\n", 4},
      {"http://a//..//b", 1, "a//%2e%2e//b", "a/\na/%2e%2e/\n", 2},
      {"http://host/../../etc/passwd", 0, "http%3a//host/%2e%2e/%2e%2e/etc/passwd",
       "http%3a/\nhttp%3a/host/\nhttp%3a/host/%2e%2e/\nhttp%3a/host/%2e%2e/%2e%2e/\n"
       "http%3a/host/%2e%2e/%2e%2e/etc/\n",
       4},
      // Names that some file systems trim to ".." (trailing dots and blanks).
      {"http://a/.../b", 1, "a/%2e%2e%2e/b", "a/\na/%2e%2e%2e/\n", 3},
      {"http://a/.. /b", 1, "a/%2e%2e /b", "a/\na/%2e%2e /\n", 2},
      // Dots in an ordinary name stay.
      {"http://a/..x/.b/x.", 1, "a/..x/.b/x.", "a/\na/..x/\na/..x/.b/\n", 0},
  };
  for (const DotCase& c : cases) {
    Scratch scratch;
    Outcome outcome = scratch.Build(Flags(c.skip, 0, 1), c.url);
    EXPECT_EQ(outcome.path, c.path) << c.url;
    EXPECT_EQ(outcome.tree, c.tree) << c.url;
    std::string dots;
    for (int i = 0; i < c.escapedDots; ++i) dots += Renamed('.', "2e", c.url);
    std::string colon = c.skip ? "" : Renamed(':', "3a", c.url);
    EXPECT_EQ(outcome.out, colon + dots) << c.url;
  }
}

TEST(OutputPathContainment, OverlongUrlIsCutInsideTheBufferAndStillSafe) {
  // Every byte escaped: the longest possible path.
  Scratch scratch;
  Outcome outcome = scratch.Build(Flags(1, 0, 0), "http://" + std::string(5000, ':'));
  EXPECT_EQ(outcome.path.size(), kMaxWalkedUrlBytes * 3);
  EXPECT_LE(outcome.path.size(), kMaxBaseNameLength);

  // The cut falls inside "..x": what is left is "..", and it is escaped.
  std::string walk = std::string(kMaxWalkedUrlBytes - 3, 'a') + "/..x";
  outcome = scratch.Build(Flags(1, 0, 0), "http://" + walk);
  EXPECT_EQ(outcome.path, std::string(kMaxWalkedUrlBytes - 3, 'a') + "/%2e%2e");

  // A cut right after a separator gives the default name.
  walk = std::string(kMaxWalkedUrlBytes - 1, 'b') + "/c";
  outcome = scratch.Build(Flags(1, 0, 0), "http://" + walk);
  EXPECT_EQ(outcome.path, std::string(kMaxWalkedUrlBytes - 1, 'b') + "/index.htm");
}

TEST(OutputPathContainment, SegmentLongerThanANameIsKeptAndCreatesNothing) {
  // The folder cannot be made; the caller's creation fails and reports the path.
  Scratch scratch;
  std::string name(300, 'n');
  Outcome outcome = scratch.Build(Flags(1, 0, 0), "http://" + name + "/f");
  EXPECT_EQ(outcome.path, name + "/f");
  EXPECT_EQ(outcome.tree, "");
}

// Replays the fuzzer's saved corpus with the fuzzer's own checks.
TEST(OutputPathContainment, FuzzCorpusStaysInside) {
  std::string corpus = std::string(TALVEX_SOURCE_DIR) + "/fuzz/corpus/output_path_fuzzer";
  DIR* dir = opendir(corpus.c_str());
  ASSERT_NE(dir, nullptr) << corpus;
  int replayed = 0;
  Scratch scratch;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string input = ReadFile(corpus + "/" + name);
    if (input.empty()) continue;
    std::string url = input.substr(1, input.find('\0', 1) - 1);
    Settings settings = SettingsFromFuzzFlags(static_cast<unsigned char>(input[0]));
    Outcome outcome = scratch.Build(settings, url);
    // As the saving of the entry would: a file at the path, if it can be made.
    if (Stream* file = FOpenAnsi((scratch.Out() + "/" + outcome.path).c_str(), "wb"))
      CloseStream(file);
    EXPECT_EQ(LinkInTree(scratch.Out()), "") << name;
    ++replayed;
  }
  closedir(dir);
  EXPECT_GT(replayed, 0);
}

}  // namespace
