// A PostgreSQL server repository through libpq. The client library is loaded when the first
// server repository is opened, so that a run on a SQLite repository pays nothing for it at
// start-up (libpq and the libraries it needs take several milliseconds to load).
#pragma once

#include <libpq-fe.h>

#include <string>
#include <utility>
#include <vector>

namespace qv::tools {

// Loads libpq once; false with `error` set when it is not installed.
bool LoadPq(std::string& error);

// The libpq functions the tools call, valid after LoadPq.
struct PqApi {
#define QV_PQ_FUNCTIONS(X)                                                                        \
    X(PQconnectdbParams)                                                                          \
    X(PQstatus)                                                                                   \
    X(PQerrorMessage)                                                                             \
    X(PQfinish) X(PQexec) X(PQexecParams) X(PQprepare) X(PQdescribePrepared) X(PQexecPrepared)    \
        X(PQresultStatus) X(PQresultErrorField) X(PQresultErrorMessage) X(PQclear) X(PQntuples)   \
            X(PQnfields) X(PQfname) X(PQftype) X(PQgetvalue) X(PQgetlength) X(PQgetisnull)        \
                X(PQsendQuery) X(PQgetResult) X(PQputCopyData) X(PQputCopyEnd) X(PQconninfoParse) \
                    X(PQconninfoFree) X(PQdb) X(PQescapeIdentifier) X(PQescapeLiteral)            \
                        X(PQfreemem) X(PQsetNoticeProcessor) X(PQuser) X(PQencryptPasswordConn)   \
                            X(PQconnectionUsedPassword)
#define QV_PQ_MEMBER(name) decltype(&::name) name = nullptr;
    QV_PQ_FUNCTIONS(QV_PQ_MEMBER)
#undef QV_PQ_MEMBER
};
const PqApi& Pq();

// One query result; empty when the query could not be sent.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(PGresult* r) : r_(r) {}
    ~PgResult();
    PgResult(PgResult&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    PgResult& operator=(PgResult&& o) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    PGresult* get() const { return r_; }
    // True for a command that succeeded, with or without rows.
    bool ok() const;
    // The server's message without the "ERROR:" prefix and the line break.
    std::string Error() const;
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int column) const;
    std::string Text(int row, int column) const;
    long long Int(int row, int column) const;

private:
    PGresult* r_ = nullptr;
};

// One server connection.
class PgConn {
public:
    PgConn() = default;
    ~PgConn();
    PgConn(const PgConn&) = delete;
    PgConn& operator=(const PgConn&) = delete;

    // Connects with the connection string (key/value or URI form) within `timeoutSeconds` (a
    // connect_timeout in the string itself wins). False with `error` set, the password never
    // in it.
    bool Connect(const std::string& conninfo, int timeoutSeconds, std::string& error);
    // The same as a given role with its password, whatever the string says about either; no
    // password file is read. `refused` tells a login the server refused (wrong password, no such
    // role, a role that may not log in) from a server that cannot be reached; a server that
    // lets the role in without asking for the password counts as a refusal too, since it could
    // not tell a wrong password.
    bool ConnectAs(const std::string& conninfo, const std::string& role,
                   const std::string& password, int timeoutSeconds, bool& refused,
                   std::string& error);
    PGconn* get() const { return c_; }
    std::string LastError() const;

    // Runs commands without parameters (several, separated by semicolons, are allowed).
    bool Exec(const std::string& sql, std::string& error);
    // Runs one statement with text parameters $1, $2, ...; `binary` asks for binary results.
    PgResult Query(const std::string& sql, const std::vector<std::string>& params,
                   std::string& error, bool binary = false);
    // Sends the commands and returns the result of each in order.
    bool ExecAll(const std::string& sql, std::vector<PgResult>& results, std::string& error);

    // Quotes a name or a text for a statement.
    std::string Identifier(const std::string& name) const;
    std::string Literal(const std::string& text) const;

private:
    PGconn* c_ = nullptr;
};

// The settings a connection string (key/value or URI form) gives, through libpq's own parser, as
// pairs of keyword and value; false with `error` set for a malformed string.
bool ConninfoOptions(const std::string& conninfo,
                     std::vector<std::pair<std::string, std::string>>& options, std::string& error);

}  // namespace qv::tools
