#pragma once

#include <string>
#include <vector>

namespace quillet
{
// quillet-records regrade STORE --bank BANK [--dry-run]: the results of the
// bank's course scored again against its keys, each change told.
int RegradeCommand(const std::vector<std::string>& args);
}
