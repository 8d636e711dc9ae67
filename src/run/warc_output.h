// The web archive that --warc=FILE asks for: written as the entries are taken,
// through a partial file that takes the name only at the end, so the file is a
// whole archive or nothing; a run cut short still ends it, with the entries
// taken so far.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "extract/cache_dir.h"
#include "index/hash_pages.h"
#include "run/output_file.h"
#include "run/record_feed.h"
#include "warc/archive_thread.h"
#include "warc/warc_writer.h"

// The zlib level of a .warc.gz.
inline constexpr int kWarcGzipLevel = 6;

class WarcOutput {
 public:
  WarcOutput();

  // Checks the file that settings name, if any, before anything is written: its
  // format by its extension (.warc or .warc.gz, in any letter case), then as
  // OutputFile::Prepare does. Says why and returns false when it may not be written.
  bool Prepare(const Settings& settings, const char* startDir, const std::string& cacheDir);

  // Whether the run makes an archive.
  bool wanted() const { return file_.prepared(); }

  // Starts the archive with its warcinfo record: the index of the cache (read
  // whole for its SHA-256, then left at its start), the run's time. Cached files
  // are opened in cache from here on. Says why and returns false when it cannot
  // be written.
  bool Start(CacheDir& cache, Stream* index, std::uint32_t runTime);

  // Archives the cached file of a record found, before it is saved. Its source,
  // when open, is read from its start and left there; else it is opened here,
  // and handed back in source for the saving. A POST result is archived at the
  // end, after every other record of its URL.
  void Add(const FoundRecord& found, Liveness state, Stream** source);

  // Archives the POST results held back, then ends and names the archive. Says
  // why and returns false when it could not be written.
  bool Finish();

  // How many cached files were archived.
  unsigned long archived() const { return archived_ + threadArchived_; }

 private:
  Capture CaptureOf(const FoundRecord& found, Liveness state) const;
  // Opens a cached file as the saving would, saying nothing.
  Stream* Open(const std::string& file);
  // Archives a capture read from a file, once the thread archived those before.
  void Archive(const Capture& capture, Stream* source);
  // Ends the thread once it archived what was sent.
  void EndThread();
  void Failed();

  OutputFile file_;
  CacheDir* cache_ = nullptr;
  int gzipLevel_ = 0;
  std::unique_ptr<WarcWriter> writer_;     // while the archive is written
  std::unique_ptr<ArchiveThread> thread_;  // while writer_ is
  std::uint32_t runTime_ = 0;
  std::vector<Capture> posts_;        // POST results, archived at the end
  unsigned long archived_ = 0;        // here
  unsigned long threadArchived_ = 0;  // by threads that ended
  bool verbose_ = false;
};
