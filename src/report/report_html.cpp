// The report as one page to browse: entries grouped by host, each table sortable
// by a click on a column's header. Style and script are inline: the page needs
// no other file and no network.
#include <algorithm>
#include <map>
#include <string_view>

#include "core/messages.h"
#include "core/text_escape.h"
#include "report/report_writer.h"

namespace {

const char kHead[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>TALVEX report</title>\n<style>\n"
    "body { font-family: sans-serif; margin: 1em 2em; }\n"
    "table { border-collapse: collapse; margin-bottom: 1.5em; }\n"
    "th, td { border: 1px solid #ccc; padding: 2px 6px; text-align: left; vertical-align: top; }\n"
    "th { background: #eee; cursor: pointer; }\n"
    "td.url { word-break: break-all; max-width: 40em; }\n"
    "img.preview { max-width: 64px; max-height: 64px; display: block; }\n"
    ".cut { color: #a00; font-weight: bold; }\n"
    "</style>\n</head>\n<body>\n<h1>TALVEX report</h1>\n";

// Sorts a table's rows by the clicked column: by data-key where a cell has one,
// as numbers when every key is one; a second click reverses the order.
const char kScript[] =
    "<script>\n"
    "document.querySelectorAll('table.entries th').forEach(function (th) {\n"
    "  th.addEventListener('click', function () {\n"
    "    var table = th.closest('table'), body = table.tBodies[0], column = th.cellIndex;\n"
    "    var up = th.dataset.order !== 'up';\n"
    "    table.querySelectorAll('th').forEach(function (h) { delete h.dataset.order; });\n"
    "    th.dataset.order = up ? 'up' : 'down';\n"
    "    var key = function (row) {\n"
    "      var cell = row.cells[column];\n"
    "      return cell.dataset.key !== undefined ? cell.dataset.key : cell.textContent;\n"
    "    };\n"
    "    var rows = Array.from(body.rows);\n"
    "    var numbers = rows.every(function (row) { return key(row) !== '' && !isNaN(key(row)); "
    "});\n"
    "    rows.sort(function (a, b) {\n"
    "      var x = key(a), y = key(b);\n"
    "      var order = numbers ? x - y : (x < y ? -1 : x > y ? 1 : 0);\n"
    "      return up ? order : -order;\n"
    "    });\n"
    "    rows.forEach(function (row) { body.appendChild(row); });\n"
    "  });\n"
    "});\n"
    "</script>\n";

const char kTableHead[] =
    "<table class=\"entries\">\n<thead><tr><th>#</th><th>URL</th><th>Modified</th>"
    "<th>Accessed</th><th>Type</th><th>Size</th><th>Outcome</th><th>Saved as</th></tr></thead>\n"
    "<tbody>\n";

// The host of a URL, in lower case: what follows the last "://" before any
// query, up to the next '/', '?' or '#'. "" when there is none.
std::string HostOf(std::string_view url) {
  std::string_view head = url.substr(0, url.find('?'));
  std::size_t scheme = head.rfind("://");
  if (scheme == std::string_view::npos) return "";
  std::string_view rest = url.substr(scheme + 3);
  std::string host(rest.substr(0, rest.find_first_of("/?#")));
  for (char& c : host)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return host;
}

bool IsImage(const ReportRow& row) {
  if (row.block.contentType.rfind("image/", 0) == 0) return true;
  if (!row.block.contentType.empty()) return false;
  std::string_view path = row.savedPath;
  std::string_view extension = path.substr(std::min(path.rfind('.'), path.size()));
  for (const char* image : {".gif", ".GIF", ".jpg", ".JPG", ".jpeg", ".JPEG", ".png", ".PNG"})
    if (extension == image) return true;
  return false;
}

std::string Cell(const std::string& text, const std::string& key = "") {
  std::string cell = key.empty() ? "<td>" : "<td data-key=\"" + HtmlText(key) + "\">";
  return cell + text + "</td>";
}

std::string RowHtml(const ReportRow& row, const std::string& linkBase) {
  std::string html = "<tr>" + Cell(std::to_string(row.number));
  html += "<td class=\"url\">" + HtmlText(row.url) + "</td>";
  html += Cell(IsoTime(row.modificationTime), std::to_string(row.modificationTime));
  html += Cell(IsoTime(row.lastAccessTime), std::to_string(row.lastAccessTime));
  html += Cell(HtmlText(row.block.contentType));
  html += Cell(row.size < 0 ? "missing" : std::to_string(row.size), std::to_string(row.size));
  std::string outcome = HtmlText(row.outcome);
  if (*row.reason != '\0') outcome += ": " + HtmlText(row.reason);
  html += Cell(outcome);
  std::string saved;
  if (!row.savedPath.empty() && !linkBase.empty()) {
    std::string link = HtmlText(linkBase + UrlPath(row.savedPath));
    saved = "<a class=\"saved\" href=\"" + link + "\">" + HtmlText(row.savedPath) + "</a>";
    if (IsImage(row)) saved += "<img class=\"preview\" src=\"" + link + "\" alt=\"\">";
  } else {
    saved = HtmlText(row.savedPath);
  }
  return html + Cell(saved) + "</tr>\n";
}

std::string Summary(const Report& report) {
  std::map<std::string, unsigned long> counts;
  for (const ReportRow& row : report.rows()) ++counts[row.outcome];
  std::string summary = "<p>Records found: " + std::to_string(report.rows().size());
  for (const auto& [outcome, count] : counts)
    summary += ", " + HtmlText(outcome) + ": " + std::to_string(count);
  summary += "</p>\n";
  if (report.cutShort() != nullptr)
    summary += "<p class=\"cut\">" + std::string(msg::kOutcomeCutShort) + ": " +
               HtmlText(report.cutShort()) + "</p>\n";
  return summary;
}

}  // namespace

bool WriteHtmlReport(const Report& report, const std::string& linkBase, const TextSink& sink) {
  if (!sink(kHead + Summary(report))) return false;
  // Rows by host, in index order within each host.
  std::map<std::string, std::vector<const ReportRow*>> hosts;
  for (const ReportRow& row : report.rows()) hosts[HostOf(row.url)].push_back(&row);
  for (const auto& [host, rows] : hosts) {
    std::string section = "<section class=\"host\">\n<h2>" +
                          (host.empty() ? std::string("(no host)") : HtmlText(host)) + "</h2>\n" +
                          kTableHead;
    if (!sink(section)) return false;
    for (const ReportRow* row : rows)
      if (!sink(RowHtml(*row, linkBase))) return false;
    if (!sink("</tbody>\n</table>\n</section>\n")) return false;
  }
  return sink(std::string(kScript) + "</body>\n</html>\n");
}
