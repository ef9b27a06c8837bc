#pragma once

#include <libpq-fe.h>
#include <string>

namespace quillet
{
// libpq, loaded when a record server is first used instead of by the dynamic
// loader at start: it brings some twenty libraries (TLS, Kerberos, LDAP)
// that a machine keeping its records in a file never needs, and mapping them
// cost every start of the test window about 20 ms.
class PgLibrary
{
  public:
    // The library, loaded once; null, with the reason in `problem`, when it
    // cannot be.
    static const PgLibrary* Load(std::string& problem);

    decltype(&::PQconnectdbParams) connectdbParams = nullptr;
    decltype(&::PQstatus) status = nullptr;
    decltype(&::PQfinish) finish = nullptr;
    decltype(&::PQerrorMessage) errorMessage = nullptr;
    decltype(&::PQsetNoticeProcessor) setNoticeProcessor = nullptr;
    decltype(&::PQconninfoParse) conninfoParse = nullptr;
    decltype(&::PQconninfoFree) conninfoFree = nullptr;
    decltype(&::PQfreemem) freemem = nullptr;
    decltype(&::PQexec) exec = nullptr;
    decltype(&::PQexecParams) execParams = nullptr;
    decltype(&::PQresultStatus) resultStatus = nullptr;
    decltype(&::PQresultErrorField) resultErrorField = nullptr;
    decltype(&::PQntuples) ntuples = nullptr;
    decltype(&::PQnfields) nfields = nullptr;
    decltype(&::PQgetisnull) getisnull = nullptr;
    decltype(&::PQgetvalue) getvalue = nullptr;
    decltype(&::PQgetlength) getlength = nullptr;
    decltype(&::PQclear) clear = nullptr;
    decltype(&::PQsendQueryParams) sendQueryParams = nullptr;
    decltype(&::PQsendQuery) sendQuery = nullptr;
    decltype(&::PQsetSingleRowMode) setSingleRowMode = nullptr;
    decltype(&::PQsetnonblocking) setnonblocking = nullptr;
    decltype(&::PQflush) flush = nullptr;
    decltype(&::PQconsumeInput) consumeInput = nullptr;
    decltype(&::PQisBusy) isBusy = nullptr;
    decltype(&::PQgetResult) getResult = nullptr;
    decltype(&::PQsocket) socket = nullptr;
    decltype(&::PQtransactionStatus) transactionStatus = nullptr;

  private:
    PgLibrary() = default;
};
}
