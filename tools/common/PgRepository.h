// The repository on a PostgreSQL server: the same tables as the SQLite file (names unquoted, so
// that upper-case names in statements resolve; text compared byte by byte, as SQLite does) but
// without the credentials table: the server itself checks the users' passwords. Each user is a
// login role of its own with a SCRAM-SHA-256 password, a member of the repository's reader role
// (which cannot log in and may only read the repository tables), read-only in the repository's
// database. No password hash is stored where a user's role could read it.
#pragma once

#include <string>

#include "tools/common/Credentials.h"
#include "tools/common/Postgres.h"

namespace qv::tools {

// Seconds a tool waits for the server before giving up.
inline constexpr int kConnectTimeoutSeconds = 10;

// The reader role of a repository database: "<database>_reader".
std::string ReaderRole(const std::string& database);
// The login role of a user of a repository database: "<database>.<user>", so that users of
// different repositories on one server never share a role, and no user name can name a role
// of the server's own.
std::string UserRole(const std::string& database, const std::string& user);

// Creates the tables (and with `withIndexes` the indexes) and the reader role (when absent), in
// one transaction. Fails when the database already holds the tables. Needs the right to create
// tables in the database and roles (CREATEROLE), nothing more.
bool PgCreateSchema(PgConn& db, bool withIndexes, std::string& error);
bool PgCreateIndexes(PgConn& db, std::string& error);
bool PgDropIndexes(PgConn& db, std::string& error);
bool PgHasSchema(PgConn& db);

// Creates the user's login role or sets its password (sent as a SCRAM-SHA-256 verifier made
// here, never in clear), makes it a read-only member of the reader role, and adds the user to
// KESALLUSERS when absent.
bool PgSetUserPassword(PgConn& db, const std::string& user, const std::string& password,
                       std::string& error);

// Takes out what a repository made by an earlier krepo still has: the shared reader login, the
// function that handed out password hashes and the table of hashes. `removed` tells whether
// there was anything; its users then log in again once krepo adduser has made their roles.
bool PgRemoveOldLogin(PgConn& db, bool& removed, std::string& error);

// Connects to a server repository as the user's role with the user's password: the server's
// check is the login check. `refused` is set for a login the server refused.
bool PgConnectAsUser(PgConn& db, const std::string& conninfo, const std::string& user,
                     const std::string& password, bool& refused, std::string& error);

// Makes SQLite's schema text fit for PostgreSQL: 64-bit integers, byte-wise text, byte arrays.
std::string PgSchemaSql(const std::string& sqliteSql);

}  // namespace qv::tools
