#pragma once

#include <memory>
#include <string>
#include <vector>

#include "records/PendingResults.h"
#include "records/RecordSession.h"

namespace quillet
{
// Where the program keeps its students, their results and the journals of
// unfinished tests. The program reads and writes them only through this:
// a login gives the student's session, and every later call goes through it.
class RecordStore
{
  public:
    virtual ~RecordStore() = default;

    // The store this machine is set to use: the record server named by
    // $QUILLET_RECORDS_DATABASE, else by Database in section [Records] of
    // Quillet's settings file, else by the machine's own credential
    // (MachineCredential); without any, the record file of the record folder.
    static std::unique_ptr<RecordStore> Open();

    // Where the records are, as the student is told: "the record folder
    // /lab", "the record server school.example".
    virtual std::string Place() const = 0;

    struct Login
    {
        // None: the session is open. NotHeld and WrongPassword: the store,
        // and the results kept pending, do not know him under this
        // password. Unavailable: the store cannot be read, the reason names it.
        StoreStatus status;
        std::unique_ptr<RecordSession> session;
        std::vector<CResultEntry> results; // his, oldest first, when the session is open
    };
    // Checks the student's name and password. A student whose results only
    // wait pending so far is known by them.
    virtual Login LogIn(const Student& student) = 0;
    // Registers a new student: NameTaken when another copy of the program
    // registered the name first; WrongPassword from a store whose login
    // answers an unknown name and a wrong password alike, as the name held
    // most likely means a password mistyped. A registration that cannot be written
    // fails with the session open all the same: his first saved result
    // brings him in.
    virtual Login Register(const Student& student) = 0;

    // The results kept on this machine while the store cannot take them.
    virtual const PendingResults& Pending() const = 0;
};
}
