#pragma once

#include <string>
#include <utility>

namespace quillet
{
// Why a call on a record store did not go through: what the caller branches on.
enum class StoreError
{
    None,
    Unavailable,   // the store cannot be read or reached now; the same call may work later
    NotHeld,       // the store holds no student of that name
    WrongPassword, // it holds the name under another password
    NameTaken,     // a registration found the name taken
    Refused,       // the store will not take what was sent: a name it cannot hold, a journal that is empty
    Unexpected,    // an answer the program does not know
};

// What a call on a record store came to: done, or the error with its
// words for the student, fit to follow "could not ...: ". A store may be a
// file on this machine or a server elsewhere, so any call can fail.
struct StoreStatus
{
    StoreError error = StoreError::None;
    std::string reason;

    bool ok() const { return error == StoreError::None; }
    explicit operator bool() const { return ok(); }
    static StoreStatus Failed(StoreError error, std::string reason) { return {error, std::move(reason)}; }
    // Most failures are of a store that cannot be used now.
    static StoreStatus Failed(std::string reason) { return {StoreError::Unavailable, std::move(reason)}; }
};
}
