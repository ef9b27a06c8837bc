#pragma once

#include <memory>
#include <string>
#include <vector>

#include "course/Course.h"

namespace quillet
{
struct BankFinding
{
    int line = 0;
    std::string message;
};

struct BankCheckResult
{
    bool readable = false;
    std::unique_ptr<CCourse> course;
    // In line order.
    std::vector<BankFinding> findings;

    bool Clean() const { return readable && course && findings.empty(); }
};

// Everything in a stored bank that the loader passes over, and questions and
// chapters that load but cannot be answered well.
BankCheckResult CheckStoredBank(std::string stored);
BankCheckResult CheckBankFile(const std::string& path);
}
