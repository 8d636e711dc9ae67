#include "report/report.h"

#include <unordered_map>
#include <utility>

#include "core/ascii.h"
#include "core/messages.h"

bool ReportFormatOf(std::string_view name, ReportFormat* format) {
  static const std::pair<const char*, ReportFormat> kExtensions[] = {
      {".csv", ReportFormat::kCsv},
      {".jsonl", ReportFormat::kJsonl},
      {".html", ReportFormat::kHtml}};
  for (const auto& [extension, kind] : kExtensions) {
    if (EndsWithIgnoringCase(name, extension)) {
      *format = kind;
      return true;
    }
  }
  return false;
}

void Report::Add(ReportRow row) {
  rows_.push_back(std::move(row));
}

// A path moved aside is a folder from then on: no later row is saved there, so
// the moves can be applied to all rows at the end, in their order.
void Report::Finish() {
  if (moves_.empty()) return;
  std::unordered_map<std::string, std::vector<ReportRow*>> savedAt;
  for (ReportRow& row : rows_)
    if (!row.savedPath.empty()) savedAt[row.savedPath].push_back(&row);
  for (const std::string& path : moves_) {
    auto found = savedAt.find(path);
    if (found == savedAt.end()) continue;
    std::vector<ReportRow*> moved = std::move(found->second);
    savedAt.erase(found);
    std::string aside = path + msg::kAsideSuffix;
    for (ReportRow* row : moved) row->savedPath = aside;
    std::vector<ReportRow*>& there = savedAt[aside];
    there.insert(there.end(), moved.begin(), moved.end());
  }
  moves_.clear();
}
