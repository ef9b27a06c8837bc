#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/StoreStatus.h"

struct pg_conn;

namespace quillet
{
class PgLibrary;

// How long connecting to the record server may take before the student is
// told it cannot be reached, unless the connection string names its own.
inline constexpr int kConnectTimeoutSeconds = 4;

// One connection to a PostgreSQL server through libpq: connected when first
// used, again after it was lost. Every statement runs in a transaction of
// its own unless a script holds several.
class PgConnection
{
  public:
    // A libpq connection string ("service=quillet") or URI
    // ("postgresql://server/quillet"); passwords come from libpq's own ways.
    explicit PgConnection(std::string connection);
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
    Result Exec(const std::string& sql, const Row& parameters = {});
    // Several statements, without parameters, in one round trip.
    Result ExecScript(const std::string& sql);

    // Values as the server writes them in text: a boolean "t" or "f", a
    // number in decimal. A null reads as false or 0.
    static bool IsTrue(const std::optional<std::string>& value);
    static long long Number(const std::optional<std::string>& value);

  private:
    StoreStatus Connect();
    Result Finish(void* result);

    std::string m_strConnection;
    const PgLibrary* m_pq = nullptr; // loaded by the first Connect
    pg_conn* m_pConnection = nullptr;
};
}
