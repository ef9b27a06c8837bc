// Hostile Moodle XML: time per byte stays the same as the input grows, and
// nesting past the reader's limit costs nothing more however deep it goes.
#include "HostileImport.h"
#include "exchange/MoodleXml.h"

namespace
{
// An HTML text of "&amp;": once read as XML, '&' after '&' with no ';'.
void BM_ImportMoodleXmlAmpersands(benchmark::State& state)
{
    TimeImport(
        state,
        "<quiz><question type=\"truefalse\"><questiontext format=\"html\"><text>" +
            Repeated("&amp;", static_cast<std::size_t>(state.range(0)) / 5) +
            "</text></questiontext><answer fraction=\"100\"><text>true</text></answer></question></quiz>",
        quillet::ImportMoodleXml);
}
BENCHMARK(BM_ImportMoodleXmlAmpersands)->Apply(HostileSizes)->Complexity(benchmark::oN);

// Elements 900 deep, one such tree after another, within one question.
void BM_ImportMoodleXmlNested(benchmark::State& state)
{
    const std::string tree = Repeated("<a>", 900) + Repeated("</a>", 900);
    TimeImport(state,
               "<quiz><question type=\"truefalse\">" +
                   Repeated(tree, static_cast<std::size_t>(state.range(0)) / tree.size()) +
                   "<questiontext><text>Q</text></questiontext>"
                   "<answer fraction=\"100\"><text>true</text></answer></question></quiz>",
               quillet::ImportMoodleXml);
}
BENCHMARK(BM_ImportMoodleXmlNested)->Apply(HostileSizes)->Complexity(benchmark::oN);

// Elements opened and never closed, as deep as the file is long.
void BM_ImportMoodleXmlTooDeep(benchmark::State& state)
{
    TimeImport(state, "<quiz>" + Repeated("<a>", static_cast<std::size_t>(state.range(0)) / 3),
               quillet::ImportMoodleXml);
}
BENCHMARK(BM_ImportMoodleXmlTooDeep)
    ->Apply(HostileSizes)
    ->Complexity(benchmark::o1)
    ->Unit(benchmark::kMicrosecond);
}
