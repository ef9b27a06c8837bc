#include "records/PgLibrary.h"

#include <dlfcn.h>

namespace quillet
{
namespace
{
// The soname of the client library of PostgreSQL 10 and every later one.
constexpr const char* kLibrary = "libpq.so.5";

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& missing)
{
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    if (!function && missing.empty())
        missing = name;
    return function != nullptr;
}

struct Loaded
{
    PgLibrary* library = nullptr;
    std::string problem;
};
}

const PgLibrary* PgLibrary::Load(std::string& problem)
{
    static const Loaded loaded = []
    {
        Loaded out;
        void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
        {
            const char* why = ::dlerror();
            out.problem = std::string("the PostgreSQL client library cannot be loaded (") +
                          (why ? why : kLibrary) + "); install the package libpq5";
            return out;
        }
        // Never unloaded: connections may be closed as late as the program's exit.
        static PgLibrary library;
        std::string missing;
        Resolve(handle, "PQconnectdbParams", library.connectdbParams, missing);
        Resolve(handle, "PQstatus", library.status, missing);
        Resolve(handle, "PQfinish", library.finish, missing);
        Resolve(handle, "PQerrorMessage", library.errorMessage, missing);
        Resolve(handle, "PQsetNoticeProcessor", library.setNoticeProcessor, missing);
        Resolve(handle, "PQconninfoParse", library.conninfoParse, missing);
        Resolve(handle, "PQconninfoFree", library.conninfoFree, missing);
        Resolve(handle, "PQfreemem", library.freemem, missing);
        Resolve(handle, "PQexec", library.exec, missing);
        Resolve(handle, "PQexecParams", library.execParams, missing);
        Resolve(handle, "PQresultStatus", library.resultStatus, missing);
        Resolve(handle, "PQresultErrorField", library.resultErrorField, missing);
        Resolve(handle, "PQntuples", library.ntuples, missing);
        Resolve(handle, "PQnfields", library.nfields, missing);
        Resolve(handle, "PQgetisnull", library.getisnull, missing);
        Resolve(handle, "PQgetvalue", library.getvalue, missing);
        Resolve(handle, "PQgetlength", library.getlength, missing);
        Resolve(handle, "PQclear", library.clear, missing);
        Resolve(handle, "PQsendQueryParams", library.sendQueryParams, missing);
        Resolve(handle, "PQsendQuery", library.sendQuery, missing);
        Resolve(handle, "PQsetSingleRowMode", library.setSingleRowMode, missing);
        Resolve(handle, "PQsetnonblocking", library.setnonblocking, missing);
        Resolve(handle, "PQflush", library.flush, missing);
        Resolve(handle, "PQconsumeInput", library.consumeInput, missing);
        Resolve(handle, "PQisBusy", library.isBusy, missing);
        Resolve(handle, "PQgetResult", library.getResult, missing);
        Resolve(handle, "PQsocket", library.socket, missing);
        Resolve(handle, "PQtransactionStatus", library.transactionStatus, missing);
        if (!missing.empty())
            out.problem = std::string("the PostgreSQL client library ") + kLibrary + " lacks " + missing;
        else
            out.library = &library;
        return out;
    }();
    if (!loaded.library)
        problem = loaded.problem;
    return loaded.library;
}
}
