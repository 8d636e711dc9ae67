#include "report/report.h"

#include <utility>

#include "core/messages.h"

namespace {

bool EndsWithIgnoringCase(std::string_view name, std::string_view end) {
  if (name.size() < end.size()) return false;
  name.remove_prefix(name.size() - end.size());
  for (std::size_t i = 0; i < end.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}

}  // namespace

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
  if (!row.savedPath.empty()) savedAt_[row.savedPath].push_back(rows_.size());
  rows_.push_back(std::move(row));
}

void Report::MovedAside(const std::string& path) {
  auto found = savedAt_.find(path);
  if (found == savedAt_.end()) return;
  std::vector<std::size_t> moved = std::move(found->second);
  savedAt_.erase(found);
  std::string aside = path + msg::kAsideSuffix;
  for (std::size_t row : moved) rows_[row].savedPath = aside;
  std::vector<std::size_t>& there = savedAt_[aside];
  there.insert(there.end(), moved.begin(), moved.end());
}
