#pragma once

#include <algorithm>
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
    bool warning = false; // loads and works, but the teacher should know
};

struct BankCheckResult
{
    bool readable = false;
    std::unique_ptr<CCourse> course;
    // In line order.
    std::vector<BankFinding> findings;

    bool Clean() const
    {
        return readable && course &&
               std::ranges::all_of(findings, [](const BankFinding& f) { return f.warning; });
    }
};

// Everything in a stored bank that the loader passes over, and questions and
// chapters that load but cannot be answered well.
BankCheckResult CheckStoredBank(std::string stored);
BankCheckResult CheckBankFile(const std::string& path);
}
