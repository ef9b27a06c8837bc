#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/Course.h"
#include "records/PgConnection.h"

namespace quillet
{
// The answer keys of banks on the record server, from which it scores the
// results of tests drawn from them rather than taking the lab machine's
// word (quillet-records db bank ...). Loading needs the owner's role.
class PgBankKeys
{
  public:
    explicit PgBankKeys(std::string connection);

    std::string Host() const { return m_db.Host(); }

    // Stores every question's key under the bank's hash, as lab machines
    // send it, in one transaction, in place of an earlier load of the same
    // bank. `disagreeing` receives how many questions share their chapter
    // and text with one of another right answer: the server cannot tell them
    // apart, and takes the lab machine's word for them.
    StoreStatus Add(const CCourse& bank, std::uint64_t size, std::uint64_t hash, int& disagreeing);

    struct Bank
    {
        std::string hash;
        std::string title;
        long long size = 0;
        long long added = 0; // seconds since 1970 UTC
        int questions = 0;
    };
    // The banks loaded, oldest first.
    std::vector<Bank> List(StoreStatus& status);

  private:
    PgConnection m_db;
};
}
