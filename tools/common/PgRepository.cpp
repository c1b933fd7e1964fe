#include "tools/common/PgRepository.h"

#include <cctype>

#include "tools/common/Schema.h"

namespace qv::tools {
namespace {

// Replaces whole words only ("TEXT" but not the "TEXT" of "TEXTFILE").
std::string ReplaceWord(const std::string& text, const std::string& word, const std::string& with) {
    auto isWordChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    };
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        bool before = at > 0 && isWordChar(text[at - 1]);
        bool after = at + word.size() < text.size() && isWordChar(text[at + word.size()]);
        if (before || after) continue;
        out += text.substr(from, at - from) + with;
        from = at + word.size();
    }
    return out + text.substr(from);
}

// The longest name the server keeps for a role.
constexpr size_t kMaxRoleName = 63;

}  // namespace

std::string ReaderRole(const std::string& database) {
    return database + "_reader";
}

std::string UserRole(const std::string& database, const std::string& user) {
    return database + "." + user;
}

std::string PgSchemaSql(const std::string& sqliteSql) {
    std::string sql = ReplaceWord(sqliteSql, "INTEGER", "BIGINT");
    sql = ReplaceWord(sql, "TEXT", "TEXT COLLATE \"C\"");
    sql = ReplaceWord(sql, "BLOB", "BYTEA");
    return ReplaceWord(sql, "WITHOUT ROWID", "");
}

bool PgHasSchema(PgConn& db) {
    std::string error;
    PgResult r = db.Query(
        "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = current_schema() "
        "AND upper(table_name) IN ('KESVERSIONS', 'TKMETA', 'TKFILEDATA')",
        {}, error);
    return r.ok() && r.Int(0, 0) == 3;
}

bool PgCreateIndexes(PgConn& db, std::string& error) {
    for (const auto& [name, on] : IndexDefinitions()) {
        if (!db.Exec("CREATE INDEX IF NOT EXISTS " + name + " ON " + on, error)) return false;
    }
    return true;
}

bool PgDropIndexes(PgConn& db, std::string& error) {
    for (const auto& [name, on] : IndexDefinitions()) {
        if (!db.Exec("DROP INDEX IF EXISTS " + name, error)) return false;
    }
    return true;
}

bool PgCreateSchema(PgConn& db, bool withIndexes, std::string& error) {
    if (PgHasSchema(db)) {
        error = "the database already holds the repository tables";
        return false;
    }
    PgResult where = db.Query("SELECT current_database(), current_schema()", {}, error);
    if (!where.ok()) return false;
    if (where.IsNull(0, 1)) {
        error = "no schema to create the tables in (search_path)";
        return false;
    }
    const std::string database = where.Text(0, 0), schema = db.Identifier(where.Text(0, 1));
    const std::string reader = db.Identifier(ReaderRole(database));
    if (!db.Exec("BEGIN", error)) return false;
    auto fail = [&](const std::string&) {
        std::string ignored;
        db.Exec("ROLLBACK", ignored);
        return false;
    };
    // The server checks the passwords: the credentials table is not kept.
    if (!db.Exec(PgSchemaSql(SchemaSql()) + std::string("; DROP TABLE ") + kCredentialsTable,
                 error))
        return fail(error);
    if (withIndexes && !PgCreateIndexes(db, error)) return fail(error);

    // The reader role only holds the right to read; nobody logs in as it.
    PgResult role = db.Query(
        "SELECT rolcanlogin OR rolsuper OR rolcreaterole OR rolcreatedb OR rolreplication OR "
        "rolbypassrls FROM pg_roles WHERE rolname = $1",
        {ReaderRole(database)}, error);
    if (!role.ok()) return fail(error);
    if (role.Rows() == 0 && !db.Exec("CREATE ROLE " + reader + " NOLOGIN", error))
        return fail(error);
    if (role.Rows() == 1 && role.Text(0, 0) != "f") {
        error = "the role " + ReaderRole(database) +
                " exists and may log in or holds rights beyond reading; drop it first";
        return fail(error);
    }

    std::string grants = "REVOKE ALL ON DATABASE " + db.Identifier(database) +
                         " FROM PUBLIC; GRANT CONNECT ON DATABASE " + db.Identifier(database) +
                         " TO " + reader + "; GRANT USAGE ON SCHEMA " + schema + " TO " + reader +
                         ";";
    for (const std::string& t : ScmTableNames())
        grants += "GRANT SELECT ON " + t + " TO " + reader + ";";
    grants += std::string("GRANT SELECT ON ") + kFileDataTable + " TO " + reader + ";";
    grants += std::string("REVOKE ALL ON ") + kMetaTable + " FROM PUBLIC;";
    if (!db.Exec(grants, error)) return fail(error);
    return db.Exec("COMMIT", error);
}

bool PgSetUserPassword(PgConn& db, const std::string& user, const std::string& password,
                       std::string& error) {
    if (user.empty() || password.empty()) {
        error = "a user needs a name and a password";
        return false;
    }
    PgResult where = db.Query("SELECT current_database(), current_schema()", {}, error);
    if (!where.ok()) return false;
    const std::string database = where.Text(0, 0), schema = db.Identifier(where.Text(0, 1));
    const std::string roleName = UserRole(database, user);
    if (roleName.size() > kMaxRoleName) {
        error = "the user name is too long for a role of the server (" + roleName + ")";
        return false;
    }
    const std::string role = db.Identifier(roleName);
    char* verifier =
        Pq().PQencryptPasswordConn(db.get(), password.c_str(), roleName.c_str(), "scram-sha-256");
    if (!verifier) {
        error = "cannot make the password's verifier: " + db.LastError();
        return false;
    }
    const std::string secret = db.Literal(verifier);
    Pq().PQfreemem(verifier);
    if (!db.Exec("BEGIN", error)) return false;
    auto fail = [&]() {
        std::string ignored;
        db.Exec("ROLLBACK", ignored);
        return false;
    };
    PgResult existing = db.Query(
        "SELECT rolsuper OR rolcreaterole OR rolcreatedb OR rolreplication OR rolbypassrls "
        "FROM pg_roles WHERE rolname = $1",
        {roleName}, error);
    if (!existing.ok()) return fail();
    if (existing.Rows() == 1 && existing.Text(0, 0) != "f") {
        error = "the role " + roleName + " holds rights beyond reading; it is left as it is";
        return fail();
    }
    if (existing.Rows() == 0 && !db.Exec("CREATE ROLE " + role + " LOGIN", error)) return fail();
    const std::string inDatabase = " IN DATABASE " + db.Identifier(database);
    if (!db.Exec("ALTER ROLE " + role + " LOGIN INHERIT PASSWORD " + secret + "; GRANT " +
                     db.Identifier(ReaderRole(database)) + " TO " + role + "; ALTER ROLE " + role +
                     inDatabase + " SET search_path = " + schema + "; ALTER ROLE " + role +
                     inDatabase + " SET default_transaction_read_only = on",
                 error))
        return fail();
    PgResult known = db.Query("SELECT 1 FROM KESALLUSERS WHERE USERNAME = $1", {user}, error);
    if (!known.ok()) return fail();
    if (known.Rows() == 0) {
        // The next id of the repository's sequence, taken under a row lock.
        if (!db.Exec("LOCK TABLE TKMETA IN EXCLUSIVE MODE", error)) return fail();
        PgResult next =
            db.Query("SELECT CAST(VALUE AS BIGINT) FROM TKMETA WHERE KEY = 'nextobjid'", {}, error);
        if (!next.ok()) return fail();
        long long id = next.Rows() ? next.Int(0, 0) : 1;
        if (!db.Query("INSERT INTO TKMETA (KEY, VALUE) VALUES ('nextobjid', $1) "
                      "ON CONFLICT (KEY) DO UPDATE SET VALUE = excluded.VALUE",
                      {std::to_string(id + 1)}, error)
                 .ok() ||
            !db.Query("INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES ($1, $2)",
                      {std::to_string(id), user}, error)
                 .ok())
            return fail();
    }
    return db.Exec("COMMIT", error);
}

bool PgRemoveOldLogin(PgConn& db, bool& removed, std::string& error) {
    removed = false;
    PgResult old = db.Query(
        "SELECT to_regproc('TK_LOGIN_HASH') IS NOT NULL OR to_regclass($1) IS NOT NULL, "
        "COALESCE((SELECT rolcanlogin FROM pg_roles WHERE rolname = current_database() || "
        "'_reader'), false)",
        {kCredentialsTable}, error);
    if (!old.ok()) return false;
    if (old.Text(0, 0) != "t" && old.Text(0, 1) != "t") return true;
    removed = true;
    std::string sql = std::string("BEGIN; DROP FUNCTION IF EXISTS TK_LOGIN_HASH(TEXT); ") +
                      "DROP TABLE IF EXISTS " + kCredentialsTable + "; ";
    if (old.Text(0, 1) == "t") {
        PgResult name = db.Query("SELECT current_database()", {}, error);
        if (!name.ok()) return false;
        sql +=
            "ALTER ROLE " + db.Identifier(ReaderRole(name.Text(0, 0))) + " NOLOGIN PASSWORD NULL; ";
    }
    if (db.Exec(sql + "COMMIT", error)) return true;
    std::string ignored;
    db.Exec("ROLLBACK", ignored);
    return false;
}

bool PgConnectAsUser(PgConn& db, const std::string& conninfo, const std::string& user,
                     const std::string& password, bool& refused, std::string& error) {
    refused = false;
    std::vector<std::pair<std::string, std::string>> options;
    if (!ConninfoOptions(conninfo, options, error)) return false;
    std::string database;
    for (const auto& [key, value] : options)
        if (key == "dbname") database = value;
    if (database.empty()) {
        error = "the connection string names no database";
        return false;
    }
    return db.ConnectAs(conninfo, UserRole(database, user), password, kConnectTimeoutSeconds,
                        refused, error);
}

}  // namespace qv::tools
