// The report as lines: CSV and JSON Lines share their fields.
#include <cstdio>
#include <vector>

#include "core/messages.h"
#include "core/text_escape.h"
#include "report/report_writer.h"

namespace {

struct Field {
  const char* name;
  std::string text;     // as the index gives it: escaped when written
  bool number = false;  // a JSON number, or null when the text is not one
};

std::string Number(long long value) {
  return std::to_string(value);
}

std::vector<Field> FieldsOf(const ReportRow& row) {
  const EntryBlock& block = row.block;
  auto known = [&](std::uint32_t value) { return block.recognised ? Number(value) : ""; };
  return {
      {"number", Number(row.number), true},
      {"offset", Number(row.offset), true},
      {"state", LivenessText(row.state)},
      {"url", row.url},
      {"cached_file", row.file},
      {"type", Number(row.type), true},
      {"modified", IsoTime(row.modificationTime)},
      {"modified_raw", Number(row.modificationTime), true},
      {"accessed", IsoTime(row.lastAccessTime)},
      {"accessed_raw", Number(row.lastAccessTime), true},
      {"content_type", block.contentType},
      {"content_encoding", block.contentEncoding},
      {"charset", block.charset},
      {"content_length", known(block.contentLength), true},
      {"expires", block.recognised ? IsoTime(block.expires) : ""},
      {"expires_raw", known(block.expires), true},
      {"method", MethodName(block)},
      {"size", row.size < 0 ? "missing" : Number(row.size), true},
      {"sha256", row.sha256},
      {"outcome", row.outcome},
      {"reason", row.reason},
      {"saved_path", row.savedPath},
  };
}

bool IsNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool WriteCsv(const Report& report, const TextSink& sink) {
  std::vector<Field> fields = FieldsOf(ReportRow{});
  std::string line;
  for (const Field& field : fields) line += std::string(line.empty() ? "" : ",") + field.name;
  if (!sink(line + "\r\n")) return false;
  for (const ReportRow& row : report.rows()) {
    line.clear();
    for (const Field& field : FieldsOf(row)) line += CsvField(field.text) + ',';
    line.pop_back();
    if (!sink(line + "\r\n")) return false;
  }
  if (report.cutShort() == nullptr) return true;
  line.assign(fields.size() - 3, ',');
  return sink(line + msg::kOutcomeCutShort + "," + CsvField(report.cutShort()) + ",\r\n");
}

bool WriteJsonLines(const Report& report, const TextSink& sink) {
  std::string line;
  for (const ReportRow& row : report.rows()) {
    line = "{";
    for (const Field& field : FieldsOf(row)) {
      if (line.size() > 1) line += ", ";
      line += JsonString(field.name) + ": ";
      if (!field.number) {
        line += JsonString(field.text);
      } else {
        line += IsNumber(field.text) ? field.text : "null";
      }
    }
    if (!sink(line + "}\n")) return false;
  }
  if (report.cutShort() == nullptr) return true;
  return sink("{\"cut_short\": true, \"reason\": " + JsonString(report.cutShort()) + "}\n");
}

}  // namespace

bool WriteReport(const Report& report, ReportFormat format, const std::string& linkBase,
                 const TextSink& sink) {
  switch (format) {
    case ReportFormat::kCsv:
      return WriteCsv(report, sink);
    case ReportFormat::kJsonl:
      return WriteJsonLines(report, sink);
    case ReportFormat::kHtml:
      break;
  }
  return WriteHtmlReport(report, linkBase, sink);
}
