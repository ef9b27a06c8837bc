#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/StoreStatus.h"

struct pg_conn;
struct pg_result;

namespace quillet
{
class PgLibrary;

// How long connecting to the record server may take before the student is
// told it cannot be reached, unless the connection string names its own.
inline constexpr int kConnectTimeoutSeconds = 4;

// How long one statement may run on the server, and wait for a lock there.
// The client waits a few seconds longer than the server's own limit for the
// answer, then drops the connection: no call waits without end.
struct PgLimits
{
    int statementMs;
    int lockMs;
};
// A lab machine's calls are each a few milliseconds; a student waits at most this.
inline constexpr PgLimits kStudentLimits{8000, 2000};
// An administrator's or teacher's tool reads and writes whole classes.
inline constexpr PgLimits kToolLimits{600000, 30000};

// One connection to a PostgreSQL server through libpq: connected when first
// used, again after it was lost. Every statement runs in a transaction of
// its own unless Begin() opened one. The session's settings are the
// client's own (sent at connect), so that nothing set for its role on the
// server (ALTER ROLE ... SET) changes how it runs.
class PgConnection
{
  public:
    // A libpq connection string ("service=quillet") or URI
    // ("postgresql://server/quillet"); passwords come from libpq's own ways,
    // or as `password` from the machine's own credential.
    explicit PgConnection(std::string connection, PgLimits limits = kToolLimits, std::string password = {});
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // The server as people are told of it: its host, its service, or "localhost".
    std::string Host() const;

    using Row = std::vector<std::optional<std::string>>;
    struct Result
    {
        StoreStatus status;
        bool unreachable = false; // no connection could be made, or it was lost
        std::string sqlState;     // of a statement the server refused
        std::vector<Row> rows;
    };
    // One statement with text parameters ($1, $2 ...); a null is SQL NULL.
    // Outside a transaction, a statement whose connection was lost is sent
    // once more on a new one: every call of a lab machine may be repeated.
    Result Exec(const std::string& sql, const Row& parameters = {});
    // Several statements, without parameters, in one round trip; never repeated.
    Result ExecScript(const std::string& sql);
    // One statement, without parameters, whose rows are handed to `read` one
    // at a time as the server sends them, none held: for reading more than
    // memory should hold at once. The result carries no rows. Never
    // repeated, as rows were handed on.
    using RowReader = std::function<void(Row&)>;
    Result Stream(const std::string& sql, const RowReader& read);

    // A transaction over several statements. When its connection is lost,
    // every later statement and the commit fail until Rollback(): nothing of
    // it is ever sent again outside it.
    StoreStatus Begin();
    StoreStatus Commit();
    void Rollback();

    // Values as the server writes them in text: a boolean "t" or "f", a
    // number in decimal. A null reads as false or 0.
    static bool IsTrue(const std::optional<std::string>& value);
    static long long Number(const std::optional<std::string>& value);
    // The elements of a one-dimensional array as the server writes it in
    // text ({a,"b c",NULL}), a null element as nullopt; false when `text` is
    // no such array.
    static bool ArrayElements(std::string_view text, std::vector<std::optional<std::string>>& elements);

  private:
    StoreStatus Connect();
    // Sends with `send` and waits, within the limits, for its answer; rows
    // sent one at a time go to `read`.
    template <typename Send> Result Run(Send send, const RowReader* read = nullptr);
    // The same, never sent again.
    template <typename Send> Result RunOnce(Send send, const RowReader* read);
    Row RowOf(pg_result* result, int row) const;
    bool Wait(short events, long long deadlineMs);
    Result Finish(pg_result* result);
    void Drop();

    std::string m_strConnection;
    PgLimits m_limits;
    std::string m_strPassword;
    const PgLibrary* m_pq = nullptr; // loaded by the first Connect
    pg_conn* m_pConnection = nullptr;
    bool m_bInTransaction = false;
    bool m_bLostInTransaction = false;
};
}
