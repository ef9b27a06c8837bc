#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "course/Course.h"

namespace quillet
{
struct BankFinding
{
    int line = 0; // 0: the bank as a whole
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

// What of a question's texts does not fit the test window as it is: one
// warning each. Measuring needs the window's fonts; the caller brings it.
using TextFitCheck = std::function<std::vector<std::string>(const CQuestion&)>;

// Everything in a stored bank that the loader passes over, questions and
// chapters that load but cannot be answered well, draws that are always
// the same, and (with `fit`) texts that do not fit.
BankCheckResult CheckStoredBank(std::string stored, const TextFitCheck& fit = {});
BankCheckResult CheckBankFile(const std::string& path, const TextFitCheck& fit = {});
}
