#pragma once

#include <string>

namespace quillet
{
// A lab machine's own login on the record server: the file that
// `quillet-records db add-machine` writes and root installs as
// /etc/quillet/record-server, readable by the machine's student accounts.
// Quillet reads it itself, as libpq takes a password file only when its
// owner alone may read it. Trusted only as root's own file that nobody
// else may change: a student who could plant one would send every student's
// password of the machine to a server of his own.
class MachineCredential
{
  public:
    // $QUILLET_RECORD_SERVER_FILE, else /etc/quillet/record-server. Naming
    // another file gives a student nothing his session could not: he can
    // name any server in $QUILLET_RECORDS_DATABASE, and the file must be
    // root's all the same.
    static std::string Path();

    // The file at `path`: not found when it does not exist; else its
    // server and password, or what is wrong with it, in words for the
    // student ("/etc/quillet/record-server cannot be used (it is not root's
    // own file); ask the administrator").
    static MachineCredential Read(const std::string& path);

    // The [Records] section of such a file.
    static std::string Text(const std::string& database, const std::string& password);

    bool Found() const { return m_bFound; }
    const std::string& Problem() const { return m_strProblem; }
    // A libpq connection string, and the role's password.
    const std::string& Database() const { return m_strDatabase; }
    const std::string& Password() const { return m_strPassword; }

  private:
    bool m_bFound = false;
    std::string m_strProblem;
    std::string m_strDatabase;
    std::string m_strPassword;
};
}
