// Writing a report in one of its formats.
#pragma once

#include <functional>
#include <string>

#include "report/report.h"

// Takes the next piece of a report's text; false when it could not.
using TextSink = std::function<bool(const std::string& text)>;

// Writes the whole report to sink: CSV with a header row, or one JSON object per
// line, or one HTML page. In the page, saved files are linked through linkBase,
// the output directory as a URL relative to the page's folder, ending in '/'
// ("" when the run wrote no output tree: nothing is linked). A report cut short
// ends with a row, a line or a note that says so. Returns false as soon as the
// sink does.
bool WriteReport(const Report& report, ReportFormat format, const std::string& linkBase,
                 const TextSink& sink);

// The page, as WriteReport writes it for ReportFormat::kHtml.
bool WriteHtmlReport(const Report& report, const std::string& linkBase, const TextSink& sink);
