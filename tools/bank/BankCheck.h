#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "course/Course.h"
#include "exchange/Exchange.h"

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
    std::string unreadable; // why not, when it is known
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
// The same over a bank's plain text, as `quillet-bank decode` writes it.
BankCheckResult CheckBankText(std::string_view text, const TextFitCheck& fit = {});
// A bank file: its plain text when the name ends in ".txt", as everywhere
// in quillet-bank, else the stored form.
BankCheckResult CheckBankFile(const std::string& path, const TextFitCheck& fit = {});
// Another tool's question file as `quillet-bank import` reads it: each
// question it skips (a problem) and each warning, then what is found in the
// bank it makes, all at the lines of that file.
BankCheckResult CheckImport(Import import, const TextFitCheck& fit = {});
}
