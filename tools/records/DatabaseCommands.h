#pragma once

#include <string>
#include <vector>

// quillet-records db ...: the record server's schema, moving record files in
// and out of it, and the banks whose results it scores itself.
namespace quillet
{
// db init|status|import|export|bank; args are the words after "db". Answers the
// exit status, having said what happened.
int DatabaseCommand(const std::vector<std::string>& args);
}
