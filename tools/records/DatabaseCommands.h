#pragma once

#include <string>
#include <vector>

// quillet-records db ...: the record server's schema, moving record files
// in and out of it, the logins of its lab machines and teachers, and the
// banks whose results it scores itself.
namespace quillet
{
// db init|status|import|export|add-machine|add-teacher|remove-machine|
// remove-teacher|bank; args are the words after "db". Answers the
// exit status, having said what happened.
int DatabaseCommand(const std::vector<std::string>& args);
}
