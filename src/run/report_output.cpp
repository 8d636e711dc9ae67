#include "run/report_output.h"

#include "core/block_writer.h"
#include "core/messages.h"
#include "core/say.h"
#include "report/report_writer.h"
#include "run/output_place.h"

namespace {

bool WriteTo(Stream* stream, const Report& report, ReportFormat format, const std::string& links) {
  BlockWriter writer(stream);
  return WriteReport(report, format, links,
                     [&writer](const std::string& text) { return writer.Take(text); }) &&
         writer.Flush();
}

}  // namespace

ReportOutput::ReportOutput()
    : file_({msg::kReportInsideCache, msg::kReportThroughCacheLink, msg::kReportFolderMissing,
             msg::kReportExists}) {}

ReportOutput::~ReportOutput() {
  CloseStream(standardOutput_);
}

void ReportOutput::TakeStandardOutput() {
  standardOutput_ = ::TakeStandardOutput();
}

bool ReportOutput::Prepare(const Settings& settings, const char* startDir,
                           const std::string& cacheDir) {
  if (settings.reportFile.empty()) return true;
  if (!ReportFormatOf(settings.reportFile, &format_)) {
    Say(msg::kReportFormatUnknown, settings.reportFile.c_str());
    return false;
  }
  return file_.Prepare(settings.reportFile, settings, startDir, cacheDir);
}

bool ReportOutput::Write(const Report& report, const std::string& outputDir) {
  if (!file_.prepared()) {
    if (standardOutput_ != nullptr && WriteTo(standardOutput_, report, ReportFormat::kCsv, ""))
      return true;
    Say(msg::kCantWriteReport, "-");
    return false;
  }
  std::string links = outputDir.empty() ? "" : RelativeLink(file_.folderPath(), outputDir);
  Stream* stream = file_.Open();
  if (stream == nullptr || !WriteTo(stream, report, format_, links)) {
    file_.Drop();
    Say(msg::kCantWriteReport, file_.file());
    return false;
  }
  return file_.Close(msg::kCantWriteReport);
}
