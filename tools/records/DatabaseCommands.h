#pragma once

#include <string>
#include <vector>

// quillet-records db ...: the record server's schema, moving record files
// in and out of it, and the logins of its lab machines and teachers.
namespace quillet
{
// db init|status|import|export|add-machine|add-teacher|remove-machine|
// remove-teacher; args are the words after "db". Answers the
// exit status, having said what happened.
int DatabaseCommand(const std::vector<std::string>& args);
}
