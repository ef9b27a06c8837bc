#pragma once

#include <string>
#include <vector>

// quillet-records db ...: the record server's schema, and moving record
// files in and out of it.
namespace quillet
{
// db init|status|import|export; args are the words after "db". Answers the
// exit status, having said what happened.
int DatabaseCommand(const std::vector<std::string>& args);
}
