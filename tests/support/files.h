// Scratch directories and small file helpers for the tests.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with all
// its content at the end of the test unless KEEP_TEST_DIRS is set.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
// The whole content, or "<missing>" when the file cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
void MakeDirs(const std::string& path);
// stat of the path (not following a final symbolic link); zeroed when missing.
// POSIX only: the Windows tests read times through the system calls.
struct stat StatOf(const std::string& path);
// Every file and folder below root, relative, sorted, folders ending in '/'.
std::string ListTree(const std::string& root);
// The lines of text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);
// Replaces every occurrence of from in text.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);
// Turns the terminal's "\r\n" line ends back into "\n".
std::string FromTerminal(const std::string& text);
