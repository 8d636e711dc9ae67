// Feeds arbitrary URL bytes and the three flags to BuildOutputPath inside a scratch
// output directory, and checks that every path it yields and everything it (and the
// file the caller would create there) makes stays inside that directory.
//
// Input: the first byte holds the flags (SettingsFromFuzzFlags), the rest is the URL
// up to the first zero byte. An unknown prefix pauses, so the fuzzer must have no
// controlling terminal: it detaches itself, and refuses to start when it cannot
// (started straight from an interactive shell): run it under `setsid -w` then.
// It also adds -close_fd_mask=3 to its flags unless one is given, so that the
// program's messages and pause prompts stay out of the log (libFuzzer's and the
// sanitizers' reports still appear), and -artifact_prefix set to the directory it
// was started in: the output directory is current only while an input runs, and
// a crash there must not leave its artifact in the scratch tree.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "extract/output_path.h"
#include "platform/ansi_path.h"
#include "support/path_containment.h"

namespace {

std::string g_root;  // the scratch directory; holds only "out"
std::string g_out;   // the output directory, current while an input runs
unsigned long g_runs = 0;
int g_reportFd = 2;   // standard error as it was before libFuzzer closed it
int g_startDir = -1;  // the directory the fuzzer was started in
std::vector<char*> g_args;
char g_quietFlag[] = "-close_fd_mask=3";
std::string g_artifactFlag;

// Every this many inputs the tree is checked for links and then emptied, so that
// conflicts between entries occur but the disk does not fill.
const unsigned long kRunsPerTree = 256;

// Removes the name in the folder open at parent, with all it holds. Works by
// names relative to each folder: the tree may be deeper than a path can be long.
void RemoveAt(int parent, const char* name) {
  if (unlinkat(parent, name, 0) == 0) return;
  int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (DIR* dir = fdopendir(fd)) {
    while (dirent* entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
        RemoveAt(fd, entry->d_name);
    closedir(dir);
  } else {
    close(fd);
  }
  unlinkat(parent, name, AT_REMOVEDIR);
}

void RemoveTree(const std::string& path) {
  RemoveAt(AT_FDCWD, path.c_str());
}

void RemoveScratch() {
  RemoveTree(g_root);
}

[[noreturn]] void Fail(const std::string& what, const std::string& url) {
  if (fchdir(g_startDir) != 0) std::_Exit(1);
  dprintf(g_reportFd, "containment broken: %s (URL '%s')\n", what.c_str(), url.c_str());
  // The tree stays for a look when KEEP_TEST_DIRS is set, as the tests' do.
  if (std::getenv("KEEP_TEST_DIRS") == nullptr) RemoveScratch();
  std::abort();
}

void MakeFreshOutputDir() {
  RemoveTree(g_out);
  if (mkdir(g_out.c_str(), 0777) != 0) Fail("cannot make " + g_out, "");
}

bool HasFlag(int argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
  return false;
}

// libFuzzer reads its flags after LLVMFuzzerInitialize, so flags added here count.
void AddDefaultFlags(int* argc, char*** argv) {
  g_args.assign(*argv, *argv + *argc);
  if (!HasFlag(*argc, *argv, "-close_fd_mask=")) g_args.push_back(g_quietFlag);
  char startDir[PATH_MAX];
  if (!HasFlag(*argc, *argv, "-artifact_prefix=") && getcwd(startDir, sizeof startDir)) {
    g_artifactFlag = std::string("-artifact_prefix=") + startDir + "/";
    g_args.push_back(&g_artifactFlag[0]);
  }
  *argc = static_cast<int>(g_args.size());
  g_args.push_back(nullptr);
  *argv = g_args.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Without a controlling terminal every pause returns at once.
  if (setsid() < 0) {
    int tty = open("/dev/tty", O_RDONLY | O_NOCTTY);
    if (tty >= 0) {
      std::fprintf(stderr,
                   "output_path_fuzzer: cannot leave the terminal; run it under setsid -w\n");
      std::exit(1);
    }
  }
  AddDefaultFlags(argc, argv);
  g_reportFd = dup(2);
  if (g_reportFd < 0) g_reportFd = 2;
  g_startDir = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (g_startDir < 0) std::exit(1);
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/talvex-path-fuzz-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) std::exit(1);
  g_root = pattern;
  g_out = g_root + "/out";
  std::atexit(RemoveScratch);
  MakeFreshOutputDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Settings settings = SettingsFromFuzzFlags(data[0]);
  std::string url;
  for (std::size_t i = 1; i < size && data[i] != 0; ++i) url += static_cast<char>(data[i]);

  // The output directory is current only while the input runs: libFuzzer reads
  // corpus files by paths relative to the start directory.
  if (chdir(g_out.c_str()) != 0) Fail("cannot enter " + g_out, url);
  char path[kPathSize];
  std::size_t length = BuildOutputPath(settings, url.c_str(), path);
  std::string problem = PathProblem(path, length);
  if (!problem.empty()) Fail(problem, url);
  // As the saving of the entry would, so that later inputs meet files in their way.
  CloseStream(FOpenAnsi(path, "wb"));
  problem = PathProblem(path, length);
  if (!problem.empty()) Fail("after creating the file: " + problem, url);
  if (NamesIn(g_root) != "out") Fail("something appeared beside the output dir", url);
  if (fchdir(g_startDir) != 0) Fail("cannot return to the start directory", url);

  if (++g_runs % kRunsPerTree == 0) {
    std::string link = LinkInTree(g_out);
    if (!link.empty()) Fail("link in the output tree: " + link, url);
    MakeFreshOutputDir();
  }
  return 0;
}
