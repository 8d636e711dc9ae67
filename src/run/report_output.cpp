#include "run/report_output.h"

#include "core/messages.h"
#include "core/say.h"
#include "platform/output_tree.h"
#include "platform/partial_file.h"
#include "platform/system.h"
#include "report/report_writer.h"
#include "run/output_place.h"

namespace {

// Collects a report's text and writes it out in large blocks.
class BlockWriter {
 public:
  explicit BlockWriter(Stream* stream) : stream_(stream) {}
  bool Take(const std::string& text) {
    buffer_ += text;
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    bool written = WriteBlock(stream_, buffer_.data(), buffer_.size()) == 1;
    buffer_.clear();
    return written;
  }

 private:
  static constexpr std::size_t kBlock = 1 << 16;
  Stream* stream_;
  std::string buffer_;
};

bool WriteTo(Stream* stream, const Report& report, ReportFormat format, const std::string& links) {
  BlockWriter writer(stream);
  return WriteReport(report, format, links,
                     [&writer](const std::string& text) { return writer.Take(text); }) &&
         writer.Flush();
}

}  // namespace

ReportOutput::~ReportOutput() {
  CloseStream(standardOutput_);
  CloseDirectory(folder_);
}

void ReportOutput::TakeStandardOutput() {
  standardOutput_ = ::TakeStandardOutput();
}

bool ReportOutput::Prepare(const Settings& settings, const char* startDir,
                           const std::string& cacheDir) {
  file_ = settings.reportFile;
  if (file_.empty()) return true;
  const char* file = file_.c_str();
  if (!ReportFormatOf(file_, &format_)) {
    Say(msg::kReportFormatUnknown, file);
    return false;
  }
  if (SayIfRefused(JudgeOutputPlace(startDir, file, cacheDir, settings.windowsNames), file,
                   msg::kReportInsideCache, msg::kReportThroughCacheLink))
    return false;
  char absolute[kPathSize];
  long length = ResolveAgainst(startDir, file, absolute, sizeof absolute);
  std::string path = length < 0 ? "" : NormalPath(absolute);
  std::size_t split = path.find_last_of(std::string("/") + kPathSeparator);
  if (split != std::string::npos) {
    folderPath_ = path.substr(0, split == 0 || path[split - 1] == ':' ? split + 1 : split);
    name_ = path.substr(split + 1);
    folder_ = OpenDirectory(folderPath_.c_str());
  }
  if (folder_ == kNoDir || name_.empty()) {
    Say(msg::kReportFolderMissing, file);
    return false;
  }
  if (KindAt(folder_, name_.c_str()) != NodeKind::kMissing) {
    Say(msg::kReportExists, file);
    return false;
  }
  windowsNames_ = settings.windowsNames || !WindowsFileSystemAt(folder_).empty();
  return true;
}

bool ReportOutput::Write(const Report& report, const std::string& outputDir) {
  if (folder_ == kNoDir) {
    if (standardOutput_ != nullptr && WriteTo(standardOutput_, report, ReportFormat::kCsv, ""))
      return true;
    Say(msg::kCantWriteReport, "-");
    return false;
  }
  const char* file = file_.c_str();
  std::string links = outputDir.empty() ? "" : RelativeLink(folderPath_, outputDir);
  PartialFile partial;
  if (partial.Create(folder_, windowsNames_) != CreateFailure::kNone ||
      !WriteTo(partial.stream(), report, format_, links) || partial.Close() != 0) {
    Say(msg::kCantWriteReport, file);
    return false;
  }
  PartialFile::Naming naming = partial.Name(name_.c_str());
  if (naming == PartialFile::Naming::kNamed) return true;
  Say(naming == PartialFile::Naming::kTaken ? msg::kReportExists : msg::kCantWriteReport, file);
  return false;
}
