#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "records/AnswerGrid.h"
#include "records/ClassSummary.h"
#include "tools/records/StatsFormat.h"

// The class report: one HTML page that opens offline, prints and goes by
// mail, its charts drawn by Chart.js inlined into it, each beside a table of
// the same figures.
namespace quillet
{
// Where Debian's libjs-chart.js puts the library; QUILLET_CHART_JS names
// another copy.
inline constexpr const char* kChartLibrary = "/usr/share/javascript/chart.js/chart.min.js";

// The library's text, or nothing with the reason (naming the package).
std::optional<std::string> ReadChartLibrary(std::string& problem);

struct ClassReportInput
{
    const ClassSummary* summary = nullptr;
    const StatsInput* stats = nullptr;
    const AnswerGrid* grid = nullptr; // of the question table's kind
    std::string course;               // the bank's title; empty without a bank
    std::string since;                // the DATE given, or empty
    std::string chartJs;              // the library's text
};

std::string ClassReportHtml(const ClassReportInput& input);

// Text for HTML text and attribute values: control characters shown as
// \xNN as the tool's other output does, then & < > " ' as references.
std::string HtmlText(std::string_view text);
}
