#include "records/PgConnection.h"

#include "records/PgLibrary.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>

#include <poll.h>

namespace quillet
{
namespace
{
// How much longer than the server's own limit the client waits for an answer.
constexpr int kAnswerGraceMs = 4000;

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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

bool PgConnection::ArrayElements(std::string_view text, std::vector<std::optional<std::string>>& elements)
{
    elements.clear();
    // Arrays of other lower bounds ("[0:1]={...}") or of more dimensions are none of ours.
    if (text.size() < 2 || text.front() != '{' || text.back() != '}')
        return false;
    const std::size_t end = text.size() - 1;
    std::size_t at = 1;
    if (at == end)
        return true;
    for (;;)
    {
        if (text[at] == '"')
        {
            // Quoted: empty, "NULL", or holding a space, a brace, a comma, a quote or a backslash.
            std::string& value = elements.emplace_back(std::in_place).value();
            std::size_t run = ++at;
            for (; at < end && text[at] != '"'; ++at)
                if (text[at] == '\\')
                {
                    value.append(text.substr(run, at - run));
                    if (++at == end)
                        return false;
                    run = at;
                }
            if (at == end)
                return false;
            value.append(text.substr(run, at - run));
            ++at;
        }
        else
        {
            const std::size_t start = at;
            for (; at < end && text[at] != ','; ++at)
                if (text[at] == '{' || text[at] == '}' || text[at] == '"' || text[at] == '\\')
                    return false;
            const std::string_view value = text.substr(start, at - start);
            if (value.empty())
                return false;
            if (value == "NULL")
                elements.emplace_back();
            else
                elements.emplace_back(value);
        }
        if (at == end)
            return true;
        if (text[at] != ',')
            return false;
        ++at;
    }
}

PgConnection::PgConnection(std::string connection, PgLimits limits, std::string password)
    : m_strConnection(std::move(connection)), m_limits(limits), m_strPassword(std::move(password))
{
}

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
    Drop();
    // A timeout of the string's own comes later and wins; the session's
    // settings come after it and win over the string's and the role's.
    const std::string timeout = std::to_string(kConnectTimeoutSeconds);
    const std::string options =
        "-c default_transaction_read_only=off -c default_transaction_isolation=read\\ committed"
        " -c default_transaction_deferrable=off -c statement_timeout=" +
        std::to_string(m_limits.statementMs) + " -c lock_timeout=" + std::to_string(m_limits.lockMs) +
        " -c idle_in_transaction_session_timeout=" + std::to_string(m_limits.statementMs) +
        " -c search_path=pg_catalog -c client_encoding=UTF8 -c standard_conforming_strings=on"
        " -c local_preload_libraries= -c transform_null_equals=off";
    std::vector<const char*> keywords = {"connect_timeout", "application_name", "dbname", "options"};
    std::vector<const char*> values = {timeout.c_str(), "quillet", m_strConnection.c_str(), options.c_str()};
    if (!m_strPassword.empty())
    {
        keywords.push_back("password");
        values.push_back(m_strPassword.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_pConnection = m_pq->connectdbParams(keywords.data(), values.data(), 1);
    if (m_pq->status(m_pConnection) == CONNECTION_OK)
    {
        // The server's notices ("already exists, skipping") are nobody's business.
        m_pq->setNoticeProcessor(
            m_pConnection, [](void*, const char*) {}, nullptr);
        // Sent and read without blocking, so that every wait has its limit.
        m_pq->setnonblocking(m_pConnection, 1);
        return {};
    }
    // A server that will not let this machine in is not out of reach: the
    // administrator has a login to mend.
    const std::string why = FirstLine(m_pq->errorMessage(m_pConnection));
    for (const char* refusal : {"authentication failed", "no password supplied", "is not permitted to log in",
                                "no pg_hba.conf entry", "permission denied for database"})
        if (why.find(refusal) != std::string::npos)
            return StoreStatus::Failed(StoreError::Refused, "it does not let this machine in (" + why + ")");
    return StoreStatus::Failed(why);
}

void PgConnection::Drop()
{
    if (m_pConnection)
        m_pq->finish(m_pConnection);
    m_pConnection = nullptr;
}

bool PgConnection::Wait(short events, long long deadlineMs)
{
    for (;;)
    {
        const long long left = deadlineMs - NowMs();
        if (left <= 0)
            return false;
        pollfd watched{m_pq->socket(m_pConnection), events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left, 60000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

PgConnection::Row PgConnection::RowOf(pg_result* result, int row) const
{
    const int columns = m_pq->nfields(result);
    Row out;
    out.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c)
        out.push_back(
            m_pq->getisnull(result, row, c)
                ? std::nullopt
                : std::optional<std::string>(std::in_place, m_pq->getvalue(result, row, c),
                                             static_cast<std::size_t>(m_pq->getlength(result, row, c))));
    return out;
}

PgConnection::Result PgConnection::Finish(pg_result* result)
{
    Result out;
    const ExecStatusType state = m_pq->resultStatus(result);
    if (state == PGRES_TUPLES_OK || state == PGRES_COMMAND_OK)
    {
        const int rows = m_pq->ntuples(result);
        out.rows.reserve(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            out.rows.push_back(RowOf(result, r));
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
        // Undefined table, column or function: the records are older than this program.
        if (out.sqlState == "42P01" || out.sqlState == "42703" || out.sqlState == "42883")
            out.status.reason = "its records are of an older version (" + out.status.reason +
                                "): run quillet-records db init";
    }
    m_pq->clear(result);
    return out;
}

template <typename Send> PgConnection::Result PgConnection::Run(Send send, const RowReader* read)
{
    const long long deadline = NowMs() + m_limits.statementMs + kAnswerGraceMs;
    const auto gone = [&](std::string why)
    {
        Drop();
        return Result{StoreStatus::Failed(std::move(why)), true, {}, {}};
    };
    if (!send())
        return Finish(nullptr);
    // A long statement (a journal of a megabyte) leaves in pieces.
    for (int pending = m_pq->flush(m_pConnection); pending != 0; pending = m_pq->flush(m_pConnection))
    {
        if (pending < 0)
            return Finish(nullptr);
        if (!Wait(POLLOUT | POLLIN, deadline))
            return gone("the record server did not take the request in time");
        if (!m_pq->consumeInput(m_pConnection))
            return Finish(nullptr);
    }
    // Of several statements, the first that failed says what happened, or else the last.
    pg_result* kept = nullptr;
    for (;;)
    {
        while (m_pq->isBusy(m_pConnection))
        {
            if (!Wait(POLLIN, deadline))
            {
                if (kept)
                    m_pq->clear(kept);
                return gone("the record server did not answer within " +
                            std::to_string((m_limits.statementMs + kAnswerGraceMs) / 1000) + " seconds");
            }
            if (!m_pq->consumeInput(m_pConnection))
                break;
        }
        pg_result* next = m_pq->getResult(m_pConnection);
        if (!next)
            break;
        if (read && m_pq->resultStatus(next) == PGRES_SINGLE_TUPLE)
        {
            Row row = RowOf(next, 0);
            m_pq->clear(next);
            (*read)(row);
            continue;
        }
        const bool keptFailed = kept && m_pq->resultStatus(kept) != PGRES_TUPLES_OK &&
                                m_pq->resultStatus(kept) != PGRES_COMMAND_OK;
        if (keptFailed)
        {
            m_pq->clear(next);
            continue;
        }
        if (kept)
            m_pq->clear(kept);
        kept = next;
    }
    return Finish(kept);
}

PgConnection::Result PgConnection::Exec(const std::string& sql, const Row& parameters)
{
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const auto& parameter : parameters)
        values.push_back(parameter ? parameter->c_str() : nullptr);
    const auto send = [&]
    {
        return m_pq->sendQueryParams(m_pConnection, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                     values.data(), nullptr, nullptr, 0) == 1;
    };
    for (int attempt = 0;; ++attempt)
    {
        // A transaction whose connection was dropped cannot go on in another.
        if (m_bInTransaction && !m_pConnection)
            m_bLostInTransaction = true;
        if (m_bLostInTransaction)
            return {
                StoreStatus::Failed("the connection to the record server was lost during the transaction"),
                true,
                {},
                {}};
        if (StoreStatus connected = Connect(); !connected)
            return {connected, true, {}, {}};
        const bool inTransaction = m_bInTransaction || m_pq->transactionStatus(m_pConnection) != PQTRANS_IDLE;
        Result result = Run(send);
        // A connection lost (a server restarted, a backend ended): once more on
        // a new one, unless a transaction held it, whose statements are gone.
        if (!result.unreachable || attempt > 0)
            return result;
        if (inTransaction)
        {
            m_bLostInTransaction = m_bInTransaction;
            return result;
        }
    }
}

template <typename Send> PgConnection::Result PgConnection::RunOnce(Send send, const RowReader* read)
{
    if (m_bLostInTransaction)
        return {StoreStatus::Failed("the connection to the record server was lost during the transaction"),
                true,
                {},
                {}};
    if (StoreStatus connected = Connect(); !connected)
        return {connected, true, {}, {}};
    Result result = Run(send, read);
    if (result.unreachable && m_bInTransaction)
        m_bLostInTransaction = true;
    return result;
}

PgConnection::Result PgConnection::ExecScript(const std::string& sql)
{
    return RunOnce([&] { return m_pq->sendQuery(m_pConnection, sql.c_str()) == 1; }, nullptr);
}

PgConnection::Result PgConnection::Stream(const std::string& sql, const RowReader& read)
{
    const auto send = [&]
    {
        return m_pq->sendQueryParams(m_pConnection, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) ==
                   1 &&
               m_pq->setSingleRowMode(m_pConnection) == 1;
    };
    return RunOnce(send, &read);
}

StoreStatus PgConnection::Begin()
{
    m_bLostInTransaction = false;
    Result begun = Exec("BEGIN");
    m_bInTransaction = begun.status.ok();
    return begun.status;
}

StoreStatus PgConnection::Commit()
{
    Result committed = ExecScript("COMMIT");
    m_bInTransaction = false;
    m_bLostInTransaction = false;
    return committed.status;
}

void PgConnection::Rollback()
{
    if (!m_bLostInTransaction && m_pConnection)
        ExecScript("ROLLBACK");
    m_bInTransaction = false;
    m_bLostInTransaction = false;
}
}
