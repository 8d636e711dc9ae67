// Where a run's report goes: the file that --report names, or, when listing
// without one, what was standard output.
#pragma once

#include <string>

#include "core/settings.h"
#include "platform/stream.h"
#include "report/report.h"
#include "run/output_file.h"

class ReportOutput {
 public:
  ReportOutput();
  ~ReportOutput();
  ReportOutput(const ReportOutput&) = delete;
  ReportOutput& operator=(const ReportOutput&) = delete;

  // For a listing: takes standard output for the report. Every message goes to
  // standard error from here on.
  void TakeStandardOutput();

  // Checks the report file that settings name, if any, before anything is
  // written: its format by its extension, that nothing holds its name, that it
  // lies outside the cache directory (cacheDir, absolute); opens its folder.
  // startDir is the start directory with its final separator. Says why and
  // returns false when it may not be written.
  bool Prepare(const Settings& settings, const char* startDir, const std::string& cacheDir);

  // Whether the run makes a report.
  bool wanted() const { return standardOutput_ != nullptr || file_.prepared(); }

  // Writes the whole report: a file through a partial file named only when
  // whole, never replacing anything. outputDir (absolute; "" for none) is where
  // the saved paths lie, for the page's links. Says why and returns false when
  // the report could not be written.
  bool Write(const Report& report, const std::string& outputDir);

 private:
  Stream* standardOutput_ = nullptr;
  OutputFile file_;
  ReportFormat format_ = ReportFormat::kCsv;
};
