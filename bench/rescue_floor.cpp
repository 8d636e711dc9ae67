// The least a rescue can do and still keep the program's promises, for the rescue
// benchmark to set beside it: each folder made once, by path; each cached file's
// type checked before it is opened (O_PATH, then that very file through
// /proc/self/fd); the copy made by the kernel (sendfile) into a partial file,
// given times and named without replacing anything. No index, no mapping, no messages, and none of the
// handles that keep the walk safe: what the file system's calls alone cost.
//   talvex_bench_floor CACHE OUT LIST    (LIST: lines "cached file<TAB>output path")
// Linux only; exits 1 at the first call that fails.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

int Fail(const std::string& what) {
  std::perror(what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: talvex_bench_floor CACHE OUT LIST\n");
    return 2;
  }
  const std::string out = argv[2];
  std::vector<std::pair<std::string, std::string>> items;  // read before any work
  std::ifstream list(argv[3]);
  for (std::string line; std::getline(list, line);) {
    std::size_t tab = line.find('\t');
    if (tab != std::string::npos) items.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  int cache = open(argv[1], O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (cache < 0 || mkdir(out.c_str(), 0777) != 0) return Fail(out);
  std::unordered_set<std::string> made;
  const struct timespec times[2] = {{852076800, 0}, {852076800, 0}};
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
    for (off_t left = info.st_size; left > 0;) {
      ssize_t sent = sendfile(copy, in, nullptr, static_cast<std::size_t>(left));
      if (sent <= 0) return Fail(target);
      left -= sent;
    }
    if (futimens(copy, times) != 0 || close(copy) != 0 || close(in) != 0) return Fail(target);
    if (renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
      return Fail(target);
  }
  return 0;
}
