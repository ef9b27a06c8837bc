#include "records/PgLoginRoles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Text.h"
#include "records/PgLibrary.h"

namespace quillet
{
namespace
{
constexpr std::size_t kLongestName = 40;
// Enough for one machine's students and its tools, never a whole server's.
constexpr int kConnectionLimit = 30;
constexpr std::size_t kPasswordBytes = 32;
// How long the removal waits for each ended connection to be gone.
constexpr const char* kEndWaitMs = "5000";

// What a machine's or teacher's connection takes over from the
// administrator's: how the server is checked, never who connects.
constexpr const char* kCarried[] = {
    "sslmode",
    "sslrootcert",
    "sslcrl",
    "sslcrldir",
    "sslsni",
    "channel_binding",
    "gssencmode",
    "krbsrvname",
    "target_session_attrs",
    "connect_timeout",
    "ssl_min_protocol_version",
    "ssl_max_protocol_version",
};

StoreStatus NewPassword(std::string& password)
{
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return StoreStatus::Failed("/dev/urandom cannot be read");
    std::string bytes(kPasswordBytes, '\0');
    std::size_t got = 0;
    while (got < bytes.size())
    {
        const ssize_t read = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    ::close(fd);
    if (got < bytes.size())
        return StoreStatus::Failed("/dev/urandom cannot be read");
    password = Base64(bytes, true);
    return {};
}

bool IsThisMachine(std::string host)
{
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host.empty() || host.front() == '/' || host.front() == '@' || host == "localhost" ||
           host.starts_with("127.") || host == "::1";
}

// Every host of a list ("a,b") is one the machines reach.
bool NamesThisMachine(const std::string& hosts)
{
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t comma = hosts.find(',', start);
        if (IsThisMachine(hosts.substr(start, comma - start)))
            return true;
        if (comma == std::string::npos)
            return false;
        start = comma + 1;
    }
}

bool IsPort(const std::string& text)
{
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// HOST, HOST:PORT or [V6]:PORT; a bare IPv6 address is all host.
bool SplitServer(const std::string& server, std::string& host, std::string& port)
{
    if (server.starts_with('['))
    {
        const std::size_t close = server.find(']');
        if (close == std::string::npos)
            return false;
        host = server.substr(1, close - 1);
        if (close + 1 == server.size())
            return !host.empty();
        port = server.substr(close + 2);
        return !host.empty() && server[close + 1] == ':' && IsPort(port);
    }
    const std::size_t colon = server.find(':');
    if (colon == std::string::npos || server.find(':', colon + 1) != std::string::npos)
    {
        host = server;
        return !host.empty();
    }
    host = server.substr(0, colon);
    port = server.substr(colon + 1);
    return !host.empty() && IsPort(port);
}

std::string Quoted(const std::string& value)
{
    if (!value.empty() && value.find_first_of(" \t\r\n'\\") == std::string::npos)
        return value;
    std::string quoted = "'";
    for (const char c : value)
    {
        if (c == '\'' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

const char* GroupOf(PgLoginRoles::Kind kind)
{
    return kind == PgLoginRoles::Kind::Machine ? "quillet_student" : "quillet_teacher";
}
}

PgLoginRoles::PgLoginRoles(std::string connection) : m_strConnection(connection), m_db(std::move(connection))
{
}

bool PgLoginRoles::IsValidName(const std::string& name)
{
    return !name.empty() && name.size() <= kLongestName &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; });
}

std::string PgLoginRoles::RoleOf(Kind kind, const std::string& name)
{
    return (kind == Kind::Machine ? "quillet_machine_" : "quillet_teacher_") + name;
}

std::string PgLoginRoles::Address::Connection(const std::string& user) const
{
    std::string text = "host=" + Quoted(host) + " port=" + Quoted(port) + " dbname=" + Quoted(dbname) +
                       " user=" + Quoted(user);
    for (const auto& [keyword, value] : options)
        text += " " + keyword + "=" + Quoted(value);
    return text;
}

StoreStatus PgLoginRoles::Reach(const std::string& server, Address& address)
{
    std::string problem;
    const PgLibrary* pq = PgLibrary::Load(problem);
    if (!pq)
        return StoreStatus::Failed(problem);
    char* error = nullptr;
    PQconninfoOption* parsed = pq->conninfoParse(m_strConnection.c_str(), &error);
    if (!parsed)
    {
        const std::string why(error ? TrimWhitespace(error) : std::string_view("it does not read"));
        if (error)
            pq->freemem(error);
        return StoreStatus::Failed(StoreError::Refused,
                                   "the connection string is wrong: " + std::string(why));
    }
    address = {};
    std::string hostaddr;
    bool sslmode = false;
    for (const PQconninfoOption* option = parsed; option->keyword; ++option)
    {
        if (!option->val || !*option->val)
            continue;
        const std::string keyword = option->keyword;
        if (keyword == "host")
            address.host = option->val;
        else if (keyword == "hostaddr")
            hostaddr = option->val;
        else if (keyword == "port")
            address.port = option->val;
        else if (keyword == "dbname")
            address.dbname = option->val;
        else if (std::find(std::begin(kCarried), std::end(kCarried), keyword) != std::end(kCarried))
        {
            address.options.emplace_back(keyword, option->val);
            sslmode = sslmode || keyword == "sslmode";
        }
    }
    pq->conninfoFree(parsed);
    if (address.host.empty())
        address.host = hostaddr;
    if (!server.empty())
    {
        std::string port;
        if (!SplitServer(server, address.host, port))
            return StoreStatus::Failed(StoreError::Refused,
                                       "\"" + server + "\" is no HOST, HOST:PORT or [ADDRESS]:PORT");
        if (!port.empty())
            address.port = port;
    }
    else if (NamesThisMachine(address.host))
        return StoreStatus::Failed(
            StoreError::Refused,
            "the connection reaches the server as " +
                (address.host.empty() ? "its local socket" : address.host) +
                ", which no lab machine can; give --server with the name the machines reach it by");
    // The server asks for TLS (hostssl in pg_hba.conf): a machine insists on it.
    if (!sslmode && address.host.front() != '/' && address.host.front() != '@')
        address.options.emplace_back("sslmode", "require");
    if (address.port.empty() || address.dbname.empty())
    {
        const PgConnection::Result own = m_db.Exec("SELECT current_database(), current_setting('port')");
        if (!own.status)
            return own.status;
        if (address.dbname.empty())
            address.dbname = own.rows.at(0)[0].value_or("");
        if (address.port.empty())
            address.port = own.rows.at(0)[1].value_or("");
    }
    return {};
}

StoreStatus PgLoginRoles::Add(Kind kind, const std::string& name, std::string& password)
{
    if (!IsValidName(name))
        return StoreStatus::Failed(StoreError::Refused, kNameRule);
    if (StoreStatus made = NewPassword(password); !made)
        return made;
    const std::string role = RoleOf(kind, name);
    // Quoted by the server, the password as a literal.
    const PgConnection::Result built =
        m_db.Exec("SELECT format('CREATE ROLE %I LOGIN PASSWORD %L CONNECTION LIMIT " +
                      std::to_string(kConnectionLimit) + " IN ROLE %I', $1::text, $2::text, $3::text)",
                  {role, password, GroupOf(kind)});
    if (!built.status)
        return built.status;
    const PgConnection::Result created = m_db.Exec(built.rows.at(0)[0].value_or(""));
    // 42710: duplicate_object; 42501: insufficient_privilege.
    if (created.sqlState == "42710")
        return StoreStatus::Failed(StoreError::NameTaken, "the role " + role + " exists already");
    if (created.sqlState == "42501")
        return StoreStatus::Failed(created.status.reason +
                                   " (the records' owner needs CREATEROLE to make the logins)");
    return created.status;
}

StoreStatus PgLoginRoles::Remove(Kind kind, const std::string& name, long long& ended)
{
    ended = 0;
    if (!IsValidName(name))
        return StoreStatus::Failed(StoreError::Refused, kNameRule);
    const std::string role = RoleOf(kind, name);
    const PgConnection::Result found = m_db.Exec("SELECT 1 FROM pg_roles WHERE rolname = $1", {role});
    if (!found.status)
        return found.status;
    if (found.rows.empty())
        return StoreStatus::Failed(StoreError::NotHeld, "the server has no role " + role);
    // No new logins first; then a member of the role, as only such a one
    // may end its backends without being a superuser.
    const PgConnection::Result closing = m_db.Exec(
        "SELECT format('ALTER ROLE %1$I NOLOGIN; GRANT %1$I TO %2$I', $1::text, current_user)", {role});
    if (!closing.status)
        return closing.status;
    if (const PgConnection::Result closed = m_db.ExecScript(closing.rows.at(0)[0].value_or(""));
        !closed.status)
        return closed.status;
    const PgConnection::Result terminated =
        m_db.Exec(std::string("SELECT count(*) FILTER (WHERE pg_terminate_backend(pid, ") + kEndWaitMs +
                      ")) FROM pg_stat_activity WHERE usename = $1",
                  {role});
    if (!terminated.status)
        return terminated.status;
    ended = PgConnection::Number(terminated.rows.at(0)[0]);
    const PgConnection::Result dropping = m_db.Exec("SELECT format('DROP ROLE %I', $1::text)", {role});
    if (!dropping.status)
        return dropping.status;
    return m_db.Exec(dropping.rows.at(0)[0].value_or("")).status;
}
}
