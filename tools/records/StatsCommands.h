#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "records/RecordSource.h"
#include "records/StudentRoster.h"

// quillet-records stats and report --html: what a teacher reads of a class.
namespace quillet
{
// The tool's own ways to print, to write a file and to read a record
// source's students, each saying what went wrong and answering an exit
// status (or null).
struct ToolIo
{
    std::function<int(const std::string& text)> print;
    std::function<int(const std::string& path, const std::string& contents)> write;
    std::function<std::unique_ptr<CStudentRoster>(RecordSource& source)> readRecords;
};

// Whether report's words ask for the class report rather than one
// student's results e-mail.
bool AsksForClassReport(const std::vector<std::string>& args);

// stats STORE [--bank BANK] [--since DATE] [--kind test|pretest|quiz|all] [--json | --csv]
int StatsCommand(const std::vector<std::string>& args, const ToolIo& io);

// report --html OUT STORE [--bank BANK] [--since DATE] [--kind test|pretest|quiz|all]
int ClassReportCommand(const std::vector<std::string>& args, const ToolIo& io);
}
