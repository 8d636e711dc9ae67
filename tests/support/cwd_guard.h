// Makes a directory the current one for the lifetime of the guard, as the run
// driver does with the output directory, and returns to the previous one after.
#pragma once

#include <limits.h>
#include <unistd.h>

#include <string>

class CwdGuard {
 public:
  explicit CwdGuard(const std::string& path) {
    if (getcwd(saved_, sizeof saved_) == nullptr) saved_[0] = '\0';
    entered_ = chdir(path.c_str()) == 0;
  }
  ~CwdGuard() {
    if (saved_[0] != '\0' && chdir(saved_) != 0) saved_[0] = '\0';
  }
  CwdGuard(const CwdGuard&) = delete;
  CwdGuard& operator=(const CwdGuard&) = delete;
  bool entered() const { return entered_; }

 private:
  char saved_[PATH_MAX];
  bool entered_ = false;
};
