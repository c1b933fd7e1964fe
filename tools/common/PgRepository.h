// The repository on a PostgreSQL server: the same tables as the SQLite file (names unquoted, so
// that upper-case names in statements resolve; text compared byte by byte, as SQLite does), a
// login role that may only read the repository tables, and a narrow function through which
// that role reads the one password hash a login check needs.
#pragma once

#include <string>

#include "tools/common/Credentials.h"
#include "tools/common/Postgres.h"

namespace qv::tools {

// Seconds a tool waits for the server before giving up.
inline constexpr int kConnectTimeoutSeconds = 10;

// The login role of a repository database: "<database>_reader".
std::string ReaderRole(const std::string& database);

// Creates the tables (and with `withIndexes` the indexes), the reader role (when absent; with
// `readerPassword` when not empty) and the login function, in one transaction. Fails when the
// database already holds the tables. Needs a role that may create tables and roles.
bool PgCreateSchema(PgConn& db, bool withIndexes, const std::string& readerPassword,
                    std::string& error);
bool PgCreateIndexes(PgConn& db, std::string& error);
bool PgDropIndexes(PgConn& db, std::string& error);
bool PgHasSchema(PgConn& db);

// Sets a user's password (and adds the user to KESALLUSERS when absent), as SetUserPassword.
bool PgSetUserPassword(PgConn& db, const std::string& user, const std::string& password,
                       std::string& error);

// Checks a user's credentials through the login function, as CheckLogin.
LoginResult PgCheckLogin(PgConn& db, const std::string& user, const std::string& password,
                         std::string& error);

// Makes SQLite's schema text fit for PostgreSQL: 64-bit integers, byte-wise text, byte arrays.
std::string PgSchemaSql(const std::string& sqliteSql);

}  // namespace qv::tools
