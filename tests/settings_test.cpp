#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/command_line.h"

namespace {

struct ParseCase {
  std::vector<const char*> args;
  ParseResult result;
  std::string cacheDir;
  std::string outputDir;
  int quiet, verbose, skip, noNonAscii;
  int list = 0;
  std::string report = "";
};

TEST(ParseArguments, SwitchesAndCacheDir) {
  const ParseCase cases[] = {
      {{}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"cache"}, ParseResult::kRun, "cache", "TALVEX.OUT", 0, 0, 0, 0},
      {{"cache", "-v"}, ParseResult::kRun, "cache", "TALVEX.OUT", 0, 1, 0, 0},
      {{"A", "B"}, ParseResult::kRun, "B", "TALVEX.OUT", 0, 0, 0, 0},
      {{"-Verbose", "-QUIET", "-p", "-N", "c"}, ParseResult::kRun, "c", "TALVEX.OUT", 1, 1, 1, 1},
      {{"-n", "-P", "-q", "-v", "c"}, ParseResult::kRun, "c", "TALVEX.OUT", 1, 1, 1, 1},
      {{"-o/tmp/out dir", "c"}, ParseResult::kRun, "c", "/tmp/out dir", 0, 0, 0, 0},
      {{"-Oout", "-oagain", "c"}, ParseResult::kRun, "c", "again", 0, 0, 0, 0},
      // -o alone empties the name; the next argument is the cache directory.
      {{"-o", "Out"}, ParseResult::kRun, "Out", "", 0, 0, 0, 0},
      // A leading slash is an absolute path here, not a switch.
      {{"/v"}, ParseResult::kRun, "/v", "TALVEX.OUT", 0, 0, 0, 0},
      {{"/home/u/cache", "-v"}, ParseResult::kRun, "/home/u/cache", "TALVEX.OUT", 0, 1, 0, 0},
      {{"-x", "cache"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"cache", "-"}, ParseResult::kUsage, "cache", "TALVEX.OUT", 0, 0, 0, 0},
      {{"-h"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"--help", "cache"}, ParseResult::kHelp, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"-v", "--version", "-x"}, ParseResult::kVersion, "", "TALVEX.OUT", 0, 1, 0, 0},
      {{"--list", "--report=r.CSV", "c"},
       ParseResult::kRun,
       "c",
       "TALVEX.OUT",
       0,
       0,
       0,
       0,
       1,
       "r.CSV"},
      // Long options are spelt out whole, with a value where they take one.
      {{"--report=", "c"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"--report", "r.csv", "c"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"--lis", "c"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      {{"--list=1", "c"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
      // Nothing after an unknown switch is looked at.
      {{"-v", "-z", "-q", "cache"}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 1, 0, 0},
      {{""}, ParseResult::kUsage, "", "TALVEX.OUT", 0, 0, 0, 0},
  };
  for (const ParseCase& c : cases) {
    std::vector<const char*> argv = {"talvex"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Settings s;
    std::string label = "args:";
    for (const char* a : c.args) label += std::string(" [") + a + "]";
    SCOPED_TRACE(label);
    EXPECT_EQ(ParseArguments(static_cast<int>(argv.size()), argv.data(), s), c.result);
    EXPECT_EQ(s.cacheDir, c.cacheDir);
    EXPECT_EQ(s.outputDir, c.outputDir);
    EXPECT_EQ(s.quiet, c.quiet);
    EXPECT_EQ(s.verbose, c.verbose);
    EXPECT_EQ(s.skipKnownPrefixes, c.skip);
    EXPECT_EQ(s.noNonAsciiNames, c.noNonAscii);
    EXPECT_EQ(s.list, c.list);
    EXPECT_EQ(s.reportFile, c.report);
  }
}

// The usage text names the real default output directory.
TEST(ParseArguments, UsageTextMatchesDefaults) {
  testing::internal::CaptureStdout();
  PrintUsage();
  std::string usage = testing::internal::GetCapturedStdout();
  EXPECT_NE(usage.find("(default is \"" + Settings().outputDir + "\")"), std::string::npos);
}

}  // namespace
