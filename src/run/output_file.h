// A file that a run writes beside its output tree (a report, an archive): it
// never replaces anything, never lies in the cache, and is written through a
// partial file that takes its name only when whole.
#pragma once

#include <string>

#include "core/settings.h"
#include "platform/dir_handle.h"
#include "platform/partial_file.h"
#include "platform/stream.h"

// The messages that refuse such a file, each with one %s for its name as given.
struct OutputFileTexts {
  const char* insideCache;
  const char* throughCacheLink;
  const char* folderMissing;
  const char* exists;
};

class OutputFile {
 public:
  explicit OutputFile(const OutputFileTexts& texts) : texts_(texts) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks the file (as given) before anything is written: that it lies outside
  // the cache directory (cacheDir, absolute), that its folder opens and that
  // nothing holds its name. startDir is the start directory with its final
  // separator. Says why and returns false when it may not be written.
  bool Prepare(const std::string& file, const Settings& settings, const char* startDir,
               const std::string& cacheDir);

  // Whether Prepare accepted a file.
  bool prepared() const { return folder_ != kNoDir; }
  const char* file() const { return file_.c_str(); }
  // Its folder, absolute and normal.
  const std::string& folderPath() const { return folderPath_; }

  // Starts the partial file. Returns its stream, or nullptr when it cannot be made.
  Stream* Open();

  // Ends the partial file and gives it the file's name. Says why and returns false
  // when it could not (the partial file is then gone); cantWrite is the message
  // for a failed write.
  bool Close(const char* cantWrite);

  // Removes the partial file, if any.
  void Drop() { partial_.Drop(); }

 private:
  OutputFileTexts texts_;
  std::string file_;           // as given
  std::string folderPath_;     // absolute and normal
  std::string name_;           // in the folder
  DirHandle folder_ = kNoDir;  // while a file is to be written
  bool windowsNames_ = false;
  PartialFile partial_;
};
