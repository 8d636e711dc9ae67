// The walk over the cache index: every entry record found is listed when verbose
// and handed to the extraction.
#pragma once

#include <cstddef>
#include <functional>

#include "core/settings.h"
#include "core/stop.h"
#include "core/tally.h"
#include "extract/extract_entry.h"
#include "index/hash_pages.h"
#include "platform/stream.h"
#include "report/report.h"
#include "run/record_feed.h"
#include "run/warc_output.h"

// Saves one entry; ExtractEntry in a run, ListEntry when listing.
using EntryHandler = std::function<EntryResult(const Entry& entry)>;

// What a run records of its records besides saving them: a report's rows, a
// web archive, and the index's pages, which tell live records from stale ones.
struct Recording {
  LivePairs pairs;
  Report* report = nullptr;
  WarcOutput* warc = nullptr;
};

// Walks the cache index from the stream's position to its end and hands every
// entry record to extract. With verbose set, each record is first listed in four
// lines. A record whose cached file's path (a cache directory of cacheDirLength
// bytes, then File) would not fit a path buffer is skipped (reported when
// verbose). Every record taken is counted in tally by what became of it. Returns
// Stop::kNone at the end of the index, or the first other result of an
// extraction, which ends the walk. With openAhead given, the cached files of
// the next entries may be opened with it while an entry is saved (see
// RecordFeed); extract then gets each in Entry::opened. With a report to make,
// extract gets Entry::facts to fill in, and every record taken adds a row; with
// an archive, each record's cached file is archived before it is saved.
Stop ProcessEntries(const Settings& settings, Stream* index, std::size_t cacheDirLength,
                    Tally& tally, const EntryHandler& extract,
                    const OpenQuietly& openAhead = nullptr, Recording* recording = nullptr);
