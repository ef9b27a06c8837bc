#pragma once

#include <string>
#include <utility>
#include <vector>

#include "records/PgConnection.h"

namespace quillet
{
// The record server's logins: one role for each lab machine, in
// quillet_student, and one for each teacher, in quillet_teacher, each with
// a password of its own. PostgreSQL lets any role change its own password
// and defaults and end its own backends: with a role of its own, whatever a
// student does with his machine's credential touches his machine alone.
// Made and dropped by the records' owner, who has CREATEROLE.
class PgLoginRoles
{
  public:
    enum class Kind
    {
        Machine,
        Teacher,
    };

    explicit PgLoginRoles(std::string connection);

    std::string Host() const { return m_db.Host(); }

    // A machine's or teacher's name: 1 to 40 of a-z, 0-9 and _, as kNameRule says.
    static bool IsValidName(const std::string& name);
    static constexpr const char* kNameRule = "a name is 1 to 40 of a-z, 0-9 and _";
    // quillet_machine_NAME or quillet_teacher_NAME.
    static std::string RoleOf(Kind kind, const std::string& name);

    // The server as the machines reach it, in libpq's keywords.
    struct Address
    {
        std::string host;
        std::string port;
        std::string dbname;
        // sslmode and the like, as the administrator's connection gives them.
        std::vector<std::pair<std::string, std::string>> options;

        // A connection string for `user`, each value quoted as libpq needs.
        std::string Connection(const std::string& user) const;
    };
    // `server` (HOST, HOST:PORT or [V6]:PORT), else the host of the
    // administrator's connection; Refused when that is a socket folder or
    // this machine, which no lab machine reaches. A port or database the
    // connection does not name is the server's own.
    StoreStatus Reach(const std::string& server, Address& address);

    // Creates the role with a new random password, which `password`
    // receives. NameTaken when the role exists, Refused for a bad name.
    StoreStatus Add(Kind kind, const std::string& name, std::string& password);
    // Closes the role to new logins, ends its connections and drops it;
    // `ended` receives how many were ended. NotHeld when there is none.
    StoreStatus Remove(Kind kind, const std::string& name, long long& ended);

  private:
    std::string m_strConnection;
    PgConnection m_db;
};
}
