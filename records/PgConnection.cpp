#include "records/PgConnection.h"

#include "records/PgLibrary.h"

#include <charconv>

namespace quillet
{
namespace
{
// libpq's messages run over several lines; the first says it.
std::string FirstLine(const char* message)
{
    std::string text = message ? message : "";
    text = text.substr(0, text.find('\n'));
    // "connection to server at "x" (1.2.3.4), port 5432 failed: Connection refused"
    if (const auto failed = text.find(" failed: "); failed != std::string::npos)
        text = text.substr(failed + 9);
    while (!text.empty() && (text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "no reason given" : text;
}
}

bool PgConnection::IsTrue(const std::optional<std::string>& value)
{
    return value && *value == "t";
}

long long PgConnection::Number(const std::optional<std::string>& value)
{
    long long number = 0;
    if (value)
        std::from_chars(value->data(), value->data() + value->size(), number);
    return number;
}

PgConnection::PgConnection(std::string connection) : m_strConnection(std::move(connection)) {}

PgConnection::~PgConnection()
{
    if (m_pConnection)
        m_pq->finish(m_pConnection);
}

std::string PgConnection::Host() const
{
    std::string problem;
    const PgLibrary* pq = PgLibrary::Load(problem);
    if (!pq)
        return m_strConnection;
    std::string host;
    std::string service;
    if (PQconninfoOption* options = pq->conninfoParse(m_strConnection.c_str(), nullptr))
    {
        for (const PQconninfoOption* option = options; option->keyword; ++option)
        {
            const std::string keyword = option->keyword;
            if (option->val && *option->val && (keyword == "host" || (keyword == "hostaddr" && host.empty())))
                host = option->val;
            if (option->val && keyword == "service")
                service = option->val;
        }
        pq->conninfoFree(options);
    }
    if (!host.empty())
        return host;
    return service.empty() ? "localhost" : service;
}

StoreStatus PgConnection::Connect()
{
    if (!m_pq)
    {
        std::string problem;
        m_pq = PgLibrary::Load(problem);
        if (!m_pq)
            return StoreStatus::Failed(problem);
    }
    if (m_pConnection && m_pq->status(m_pConnection) == CONNECTION_OK)
        return {};
    if (m_pConnection)
        m_pq->finish(m_pConnection);
    // A timeout of the string's own comes later and wins.
    const std::string timeout = std::to_string(kConnectTimeoutSeconds);
    const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {timeout.c_str(), "quillet", m_strConnection.c_str(), nullptr};
    m_pConnection = m_pq->connectdbParams(keywords, values, 1);
    if (m_pq->status(m_pConnection) == CONNECTION_OK)
    {
        // The server's notices ("already exists, skipping") are nobody's business.
        m_pq->setNoticeProcessor(
            m_pConnection, [](void*, const char*) {}, nullptr);
        return {};
    }
    return StoreStatus::Failed(FirstLine(m_pq->errorMessage(m_pConnection)));
}

PgConnection::Result PgConnection::Finish(void* handle)
{
    auto* result = static_cast<PGresult*>(handle);
    Result out;
    const ExecStatusType state = m_pq->resultStatus(result);
    if (state == PGRES_TUPLES_OK || state == PGRES_COMMAND_OK)
    {
        const int rows = m_pq->ntuples(result);
        const int columns = m_pq->nfields(result);
        out.rows.reserve(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
        {
            Row row;
            row.reserve(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c)
                row.push_back(m_pq->getisnull(result, r, c)
                                  ? std::nullopt
                                  : std::optional<std::string>(m_pq->getvalue(result, r, c)));
            out.rows.push_back(std::move(row));
        }
    }
    else
    {
        const char* message = result ? m_pq->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* state5 = result ? m_pq->resultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        out.sqlState = state5 ? state5 : "";
        out.unreachable = m_pq->status(m_pConnection) != CONNECTION_OK;
        // Classes 22 and 23: the server refused what was sent, and will again.
        const bool refused = out.sqlState.starts_with("22") || out.sqlState.starts_with("23");
        out.status =
            StoreStatus::Failed(refused ? StoreError::Refused : StoreError::Unavailable,
                                message ? FirstLine(message) : FirstLine(m_pq->errorMessage(m_pConnection)));
    }
    m_pq->clear(result);
    return out;
}

PgConnection::Result PgConnection::Exec(const std::string& sql, const Row& parameters)
{
    if (StoreStatus connected = Connect(); !connected)
        return {connected, true, {}, {}};
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters)
        values.push_back(parameter ? parameter->c_str() : nullptr);
    Result result = Finish(m_pq->execParams(m_pConnection, sql.c_str(), static_cast<int>(values.size()),
                                            nullptr, values.data(), nullptr, nullptr, 0));
    // A connection lost between statements: once more on a new one. Every
    // change is one statement, and results carry a key that stores them once.
    if (result.unreachable && Connect())
        result = Finish(m_pq->execParams(m_pConnection, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                         values.data(), nullptr, nullptr, 0));
    return result;
}

PgConnection::Result PgConnection::ExecScript(const std::string& sql)
{
    if (StoreStatus connected = Connect(); !connected)
        return {connected, true, {}, {}};
    return Finish(m_pq->exec(m_pConnection, sql.c_str()));
}
}
