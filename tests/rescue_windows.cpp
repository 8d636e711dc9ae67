// talvex.exe end to end: the sample cache, names Windows refuses or reads as
// devices, folders beyond ASCII, and the 32-bit exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/cache_builder.h"
#include "support/files.h"
#include "support/process.h"
#include "support/wine.h"
#include "talvex_version.h"

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& utf8) {
  return fs::u8path(utf8).wstring();
}

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Crlf(const std::string& text) {
  std::string converted;
  for (char c : text) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return converted;
}

std::uint64_t Seconds(const FILETIME& time) {
  std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000ull) / 10000000ull;
}

// One line per file below root: path, size, modification and access time, and a
// checksum of the bytes (FNV-1a, 64 bits), as the Linux golden tree lists them.
// Reading the bytes through the system leaves the access time where it was.
// Under wine every read moves the access time (it cannot ask Linux not to), so
// the column is left out there.
std::string Inventory(const std::string& root) {
  std::ostringstream lines;
  for (const std::string& path : SplitLines(ListTree(root))) {
    if (path.back() == '/') continue;
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    GetFileAttributesExW(Wide(root + "/" + path).c_str(), GetFileExInfoStandard, &info);
    std::uint64_t hash = 14695981039346656037ull;
    for (char byte : ReadFile(root + "/" + path))
      hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    HANDLE file =
        CreateFileW(Wide(root + "/" + path).c_str(), FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, &info.ftLastAccessTime, nullptr);
    CloseHandle(file);
    lines << path << ' ' << info.nFileSizeLow << ' ' << Seconds(info.ftLastWriteTime) << ' ';
    if (!UnderWine()) lines << Seconds(info.ftLastAccessTime) << ' ';
    lines << std::hex << hash << std::dec << '\n';
  }
  return lines.str();
}

// A golden tree line without its access time, the fourth field.
std::string WithoutAccessTime(const std::string& line) {
  std::size_t hash = line.rfind(' ');
  std::size_t access = line.rfind(' ', hash - 1);
  return line.substr(0, access) + line.substr(hash);
}

// The Linux golden output as Windows shows it: paths with '\', lines ended with
// "\r\n". URLs keep their '/'. The version is this build's.
std::string WindowsOutput(const std::string& golden, const std::string& dir) {
  std::string text;
  for (std::string line : SplitLines(ReadFile(golden))) {
    if (line.rfind("URL=", 0) != 0 && line.find("prifix") == std::string::npos)
      line = Backslashed(line);
    text += line + "\n";
  }
  ReplaceAll(text, "@DIR@", Backslashed(dir));
  ReplaceAll(text, "@VERSION@", TALVEX_VERSION);
  return Crlf(text);
}

TEST(WindowsRescue, SampleMatchesTheGoldenFilesWithBackslashesAndCrlf) {
  const std::string golden = std::string(TALVEX_SOURCE_DIR) + "/tests/golden/";
  // One folder for "News" and "news": Windows names are not told apart by case.
  std::vector<std::string> tree = SplitLines(ReadFile(golden + "sample_tree.txt"));
  for (std::string& line : tree) {
    ReplaceAll(line, "www.example.org/news/", "www.example.org/News/");
    if (UnderWine()) line = WithoutAccessTime(line);
  }
  std::sort(tree.begin(), tree.end());
  std::string expectedTree;
  for (const std::string& line : tree) expectedTree += line + "\n";

  TempDir dir;
  fs::copy(fs::u8path(std::string(TALVEX_SOURCE_DIR) + "/sample/cache"), fs::u8path(dir / "cache"));
  MakeDirs(dir / "work");
  RunOptions options;
  options.cwd = dir / "work";
  RunResult first = RunDetached({"/p", dir / "cache"}, options);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(Inventory(dir / "work/TALVEX.OUT"), expectedTree);
  EXPECT_EQ(first.out, WindowsOutput(golden + "sample_first_run.txt", dir.path()));
  // Standard error is a pipe: each prompt is a line, ended "\r\n" like the rest.
  EXPECT_EQ(first.err, Crlf(Pauses(3)));

  RunResult second = RunDetached({"-p", dir / "cache"}, options);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.out, WindowsOutput(golden + "sample_second_run.txt", dir.path()));
  EXPECT_EQ(second.err, Crlf(Pauses(3)));
  EXPECT_EQ(Inventory(dir / "work/TALVEX.OUT"), expectedTree);
}

// The report of the browser's own records, with the SHA-256 of each saved file,
// and the web archive of them, but for its warcinfo record and the record IDs
// (numbered in order of appearance), are the ones the Linux suite keeps.
TEST(WindowsRescue, BrowserCacheReportAndArchiveMatchLinux) {
  TempDir dir;
  fs::copy(fs::u8path(std::string(TALVEX_SOURCE_DIR) + "/sample/browser-cache"),
           fs::u8path(dir / "cache"), fs::copy_options::recursive);
  MakeDirs(dir / "work");
  RunOptions options;
  options.cwd = dir / "work";
  RunResult run =
      RunDetached({"-p", "-q", "--report=r.jsonl", "--warc=a.warc", dir / "cache"}, options);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(ReadFile(dir / "work/r.jsonl"),
            ReadFile(std::string(TALVEX_SOURCE_DIR) + "/tests/golden/browser_report.jsonl"));
  std::string archive = ReadFile(dir / "work/a.warc");
  std::size_t second = archive.find("\r\n\r\nWARC/1.1\r\n");
  ASSERT_NE(second, std::string::npos);
  archive.erase(0, second + 4);
  std::map<std::string, std::string> ids;
  std::string normal;
  const std::string open = "<urn:uuid:";
  for (std::size_t at = 0, next; at < archive.size(); at = next) {
    next = archive.find(open, at);
    normal += archive.substr(at, next - at);
    if (next == std::string::npos) break;
    std::string id = archive.substr(next, archive.find('>', next) + 1 - next);
    auto known = ids.emplace(id, "<id-" + std::to_string(ids.size() + 1) + ">").first;
    normal += known->second;
    next += id.size();
  }
  EXPECT_EQ(normal,
            ReadFile(std::string(TALVEX_SOURCE_DIR) + "/tests/golden/browser_archive.warc"));
}

TEST(WindowsRescue, NamesWindowsRefusesAreAllSavedInsideTheOutputDirectory) {
  // An 826-byte URL: four levels of 200 bytes, far beyond MAX_PATH.
  std::string longUrl = "http://long.example";
  for (char level : {'a', 'b', 'c', 'd'}) longUrl += "/" + std::string(200, level);
  longUrl += "/xy";
  ASSERT_EQ(longUrl.size(), 826u);
  struct Entry {
    std::string url;
    std::string saved;  // relative to the output directory
  };
  const Entry entries[] = {
      {"http://h/CON", "h/%43ON"},
      {"http://h/con.html", "h/%63on.html"},
      {"http://h/nul.txt", "h/%6eul.txt"},
      {"http://h/AUX/page.html", "h/%41UX/page.html"},
      {"http://h/COM1", "h/%43OM1"},
      {"http://h/lpt1.gif", "h/%6cpt1.gif"},
      {"http://h/PRN", "h/%50RN"},
      {"http://h/CONIN$", "h/%43ONIN$"},
      {"http://h/dot./a.html", "h/dot%2e/a.html"},
      {"http://h/trail.", "h/trail%2e"},
      {"http://h/trail", "h/trail"},
      {"http://h/blank /c.html", "h/blank%20/c.html"},
      {"http://h/q\"uote.html", "h/q%22uote.html"},
      {longUrl, longUrl.substr(7)},
  };
  ScratchCache c;
  std::vector<std::string> expected;
  unsigned n = 0;
  for (const Entry& entry : entries) {
    char file[16];
    std::snprintf(file, sizeof file, "M%07u.HTM", ++n);
    c.Add(file, "content of " + entry.url, entry.url);
    expected.push_back("work/TALVEX.OUT/" + entry.saved);
  }
  RunResult r = c.Run({"/p"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("Records found: 14, saved: 14, already saved: 0, failed: 0"),
            std::string::npos)
      << r.out;
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(ReadFile(c.root / expected[i]), "content of " + entries[i].url) << expected[i];
  // Every file below the scratch root is a cached file or a saved one.
  for (const std::string& path : SplitLines(ListTree(c.root.path()))) {
    if (path.back() == '/' || path.rfind("cache/", 0) == 0) continue;
    EXPECT_NE(std::find(expected.begin(), expected.end(), path), expected.end()) << path;
  }
}

// The last level of the short alias Windows gives the existing path; the name
// itself where the disk keeps no short names.
std::string ShortAlias(const std::string& path) {
  wchar_t alias[MAX_PATH] = {};
  GetShortPathNameW(Wide(path).c_str(), alias, MAX_PATH);
  return fs::path(alias).filename().u8string();
}

// A URL level that is only another name's short alias reaches nothing: the file
// gets a name of its own, an entry below the alias is refused, and what the alias
// stands for keeps its name and bytes.
TEST(WindowsRescue, ShortAliasesReachNothing) {
  ScratchCache c;
  MakeDirs(c.out + "/h/Program Files");
  WriteFile(c.out + "/h/longfilename.html", "same");
  const std::string folder = ShortAlias(c.out + "/h/Program Files");
  const std::string file = ShortAlias(c.out + "/h/longfilename.html");
  if (folder == "Program Files") GTEST_SKIP() << "no short names on this disk";
  c.Add("M0000001.HTM", "same", "http://h/" + file);
  c.Add("M0000002.HTM", "page", "http://h/" + folder + "/page.html");
  c.Add("M0000003.HTM", "page", "http://h/" + file + "/page.html");
  RunResult r = c.Run({"/p"});
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("Records found: 3, saved: 1, already saved: 0, failed: 2"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ListTree(c.out),
            "h/\nh/" + file + ".Over0000\nh/Program Files/\nh/longfilename.html\n");
  EXPECT_EQ(ReadFile(c.out + "/h/" + file + ".Over0000"), "same");
  EXPECT_EQ(ReadFile(c.out + "/h/longfilename.html"), "same");
}

TEST(WindowsRescue, StartAndCacheFoldersBeyondAscii) {
  ScratchCache c;
  c.Add("M0000001.HTM", "page", "http://h/page.html", 946684800, 946684900);
  c.WriteIndex();
  const std::string start = c.root / "j\xc3\xbcrgen";        // "jürgen" in UTF-8
  const std::string cache = c.root / "j\xc3\xbcrgen cache";  // with a blank, quoted on the line
  MakeDirs(start);
  fs::copy(fs::u8path(c.cache), fs::u8path(cache));
  RunOptions options;
  options.cwd = start;
  RunResult r = RunDetached({"-p", cache}, options);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(ReadFile(start + "/TALVEX.OUT/h/page.html"), "page");
  // The folder is shown in the console's code page.
  wchar_t name[] = L"j\u00fcrgen cache";
  char shown[32] = {};
  WideCharToMultiByte(CP_OEMCP, 0, name, -1, shown, sizeof shown, nullptr, nullptr);
  EXPECT_NE(r.out.find(std::string(shown) + "\\\"\r\n"), std::string::npos) << r.out;
}

TEST(WindowsRescue, ExitCodesAreThirtyTwoBits) {
  ScratchCache c;  // no index written
  RunResult r = RunDetached({"-q", c.cache}, c.Options());
  EXPECT_EQ(r.exitCode, 0xFFFFFFFFll);
  EXPECT_NE(r.out.find("Can't open for read file: '"), std::string::npos) << r.out;
  EXPECT_EQ(ListTree(c.work), "");
}

}  // namespace
