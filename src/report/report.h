// A report of every record a run found: what the index says of it and what
// became of it. The rows are kept until the end of the run, when the names of
// files that later folders moved aside are known.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "index/entry_block.h"
#include "index/hash_pages.h"

struct ReportRow {
  long number = 0;          // 1 for the first record found
  std::int64_t offset = 0;  // of its entry block in the index
  Liveness state = Liveness::kUnknown;
  std::string url;
  std::string file;  // the cached file, as the index names it
  std::uint32_t type = 0;
  std::uint32_t modificationTime = 0;
  std::uint32_t lastAccessTime = 0;
  EntryBlock block;     // its fields are empty unless block.recognised
  long long size = -1;  // of the cached file; -1 when it could not be opened
  std::string sha256;   // of the cached file's bytes; "" when they were not all read
  const char* outcome = "";
  const char* reason = "";  // why it failed
  std::string savedPath;    // relative to the output dir, '/' between levels; "" for none
};

enum class ReportFormat { kCsv, kJsonl, kHtml };

// The format that a report file's name asks for by its extension (.csv, .jsonl
// or .html, in any letter case). Returns false for any other name.
bool ReportFormatOf(std::string_view name, ReportFormat* format);

class Report {
 public:
  // Adds the next row; rows are kept in the order added.
  void Add(ReportRow row);

  // A file at path (as in savedPath) was moved aside to path + "_": the rows
  // saved there so far name where it went once Finish is called.
  void MovedAside(const std::string& path) { moves_.push_back(path); }

  // Gives the rows the saved paths as they stand after the moves, in order.
  void Finish();

  // Marks the report as covering only the entries before the run stopped.
  void CutShort(const char* reason) { cutShort_ = reason; }

  const std::deque<ReportRow>& rows() const { return rows_; }
  // Why the run stopped early; nullptr when it did not.
  const char* cutShort() const { return cutShort_; }

 private:
  std::deque<ReportRow> rows_;
  std::vector<std::string> moves_;  // the paths moved aside, in order
  const char* cutShort_ = nullptr;
};
