// The least a rescue can do and still keep the program's promises, for the rescue
// benchmark to set beside it: each folder made once; each cached file's type
// checked before it is opened (O_PATH, then that very file through /proc/self/fd);
// the copy made by the kernel (sendfile) into a partial file, given times and
// named without replacing anything. No index, no mapping, no messages: what the
// file system's calls alone cost. Two ways:
//   by paths (the default): folders made by path, a named partial file renamed
//     with RENAME_NOREPLACE, /proc/self/fd/N opened by path;
//   --lean: every cheaper call with the same guarantees: every folder made and
//     reached through its parent's handle and kept open, the cached file looked
//     up in the cache folder's handle, /proc/self/fd opened once, the copy written
//     to a file without a name (O_TMPFILE) and named by linkat, which never replaces.
//   talvex_bench_floor [--lean] CACHE OUT LIST   (LIST: lines "cached file<TAB>output path")
// Linux only; exits 1 at the first call that fails.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

int Fail(const std::string& what) {
  std::perror(what.c_str());
  return 1;
}

bool Copy(int in, int out, off_t size) {
  for (off_t left = size; left > 0;) {
    ssize_t sent = sendfile(out, in, nullptr, static_cast<std::size_t>(left));
    if (sent <= 0) return false;
    left -= sent;
  }
  return true;
}

const struct timespec kTimes[2] = {{852076800, 0}, {852076800, 0}};

int Lean(const char* cacheDir, const std::string& out, const Items& items) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  int cache = open(cacheDir, O_PATH | O_DIRECTORY | O_CLOEXEC);
  int proc = open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (cache < 0 || proc < 0 || mkdir(out.c_str(), 0777) != 0) return Fail(out);
  std::unordered_map<std::string, int> folders;  // path below OUT -> handle, kept open
  folders[""] = open(out.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (const auto& [file, path] : items) {
    int folder = folders[""];
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         start = slash + 1, slash = path.find('/', start)) {
      auto [at, added] = folders.emplace(path.substr(0, slash), -1);
      if (added) {
        std::string level = path.substr(start, slash - start);
        if (mkdirat(folder, level.c_str(), 0777) != 0) return Fail(path);
        at->second = openat(folder, level.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (at->second < 0) return Fail(path);
      }
      folder = at->second;
    }
    int typed = openat(cache, file.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (typed < 0 || fstat(typed, &info) != 0 || !S_ISREG(info.st_mode)) return Fail(file);
    char entry[12];
    std::snprintf(entry, sizeof entry, "%d", typed);
    int in = openat(proc, entry, O_RDONLY | O_CLOEXEC);
    close(typed);
    int copy = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (in < 0 || copy < 0 || !Copy(in, copy, info.st_size) || futimens(copy, kTimes) != 0)
      return Fail(path);
    std::snprintf(entry, sizeof entry, "%d", copy);
    if (linkat(proc, entry, folder, path.c_str() + start, AT_SYMLINK_FOLLOW) != 0 ||
        close(copy) != 0 || close(in) != 0)
      return Fail(path);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool lean = argc == 5 && std::strcmp(argv[1], "--lean") == 0;
  if (lean) ++argv, --argc;
  if (argc != 4) {
    std::fprintf(stderr, "usage: talvex_bench_floor [--lean] CACHE OUT LIST\n");
    return 2;
  }
  const std::string out = argv[2];
  Items items;  // read before any work
  std::ifstream list(argv[3]);
  for (std::string line; std::getline(list, line);) {
    std::size_t tab = line.find('\t');
    if (tab != std::string::npos) items.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  if (lean) return Lean(argv[1], out, items);
  int cache = open(argv[1], O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (cache < 0 || mkdir(out.c_str(), 0777) != 0) return Fail(out);
  std::unordered_set<std::string> made;
  for (const auto& [file, path] : items) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      std::string folder = out + "/" + path.substr(0, slash);
      if (made.insert(folder).second && mkdir(folder.c_str(), 0777) != 0) return Fail(folder);
    }
    int typed = openat(cache, file.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat info;
    if (typed < 0 || fstat(typed, &info) != 0 || !S_ISREG(info.st_mode)) return Fail(file);
    std::string self = "/proc/self/fd/" + std::to_string(typed);
    int in = open(self.c_str(), O_RDONLY | O_CLOEXEC);
    close(typed);
    std::string target = out + "/" + path;
    std::string partial = target.substr(0, target.rfind('/') + 1) + ":partial";
    int copy = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (in < 0 || copy < 0) return Fail(target);
    if (!Copy(in, copy, info.st_size)) return Fail(target);
    if (futimens(copy, kTimes) != 0 || close(copy) != 0 || close(in) != 0) return Fail(target);
    if (renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
      return Fail(target);
  }
  return 0;
}
