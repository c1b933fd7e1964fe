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

const char* const kLoginFunction = "TK_LOGIN_HASH";

}  // namespace

std::string ReaderRole(const std::string& database) {
    return database + "_reader";
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
        "AND upper(table_name) IN ('KESVERSIONS', 'TKCREDENTIALS', 'TKFILEDATA')",
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

bool PgCreateSchema(PgConn& db, bool withIndexes, const std::string& readerPassword,
                    std::string& error) {
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
    if (!db.Exec(PgSchemaSql(SchemaSql()), error)) return fail(error);
    if (withIndexes && !PgCreateIndexes(db, error)) return fail(error);

    PgResult role =
        db.Query("SELECT 1 FROM pg_roles WHERE rolname = $1", {ReaderRole(database)}, error);
    if (!role.ok()) return fail(error);
    if (role.Rows() == 0 && !db.Exec("CREATE ROLE " + reader + " LOGIN", error)) return fail(error);
    // The reader can do nothing but read: no superuser, no role creation, no inheritance of
    // other roles' rights, and no password unless one is given.
    std::string alter = "ALTER ROLE " + reader +
                        " LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOINHERIT NOREPLICATION "
                        "NOBYPASSRLS PASSWORD " +
                        (readerPassword.empty() ? "NULL" : db.Literal(readerPassword));
    if (!db.Exec(alter, error)) return fail(error);

    std::string grants = "GRANT CONNECT ON DATABASE " + db.Identifier(database) + " TO " + reader +
                         "; GRANT USAGE ON SCHEMA " + schema + " TO " + reader + "; ALTER ROLE " +
                         reader + " IN DATABASE " + db.Identifier(database) +
                         " SET search_path = " + schema + "; ALTER ROLE " + reader +
                         " IN DATABASE " + db.Identifier(database) +
                         " SET default_transaction_read_only = on;";
    for (const std::string& t : ScmTableNames())
        grants += "GRANT SELECT ON " + t + " TO " + reader + ";";
    grants += std::string("GRANT SELECT ON ") + kFileDataTable + " TO " + reader + ";";
    grants +=
        std::string("REVOKE ALL ON ") + kCredentialsTable + ", " + kMetaTable + " FROM PUBLIC;";
    if (!db.Exec(grants, error)) return fail(error);

    // The one hash of the named user, for the login check of the tools. Statements that users
    // run go through read-only transactions, where the function refuses to answer, so that no
    // statement can collect the hashes.
    std::string function = std::string("CREATE FUNCTION ") + kLoginFunction +
                           "(TEXT) RETURNS TEXT LANGUAGE plpgsql STABLE SECURITY DEFINER "
                           "SET search_path = " +
                           schema +
                           ", pg_temp AS $fn$ BEGIN "
                           "IF current_setting('transaction_read_only') = 'on' THEN "
                           "RAISE EXCEPTION 'the login check is not available to statements'; "
                           "END IF; "
                           "RETURN (SELECT PWHASH FROM " +
                           kCredentialsTable +
                           " WHERE USERNAME = $1); END $fn$; "
                           "REVOKE ALL ON FUNCTION " +
                           kLoginFunction + "(TEXT) FROM PUBLIC; GRANT EXECUTE ON FUNCTION " +
                           kLoginFunction + "(TEXT) TO " + reader + ";";
    if (!db.Exec(function, error)) return fail(error);
    return db.Exec("COMMIT", error);
}

bool PgSetUserPassword(PgConn& db, const std::string& user, const std::string& password,
                       std::string& error) {
    std::string hash;
    if (!HashNewCredentials(user, password, hash, error)) return false;
    if (!db.Exec("BEGIN", error)) return false;
    auto fail = [&]() {
        std::string ignored;
        db.Exec("ROLLBACK", ignored);
        return false;
    };
    if (!db.Query("INSERT INTO TKCREDENTIALS (USERNAME, PWHASH) VALUES ($1, $2) "
                  "ON CONFLICT (USERNAME) DO UPDATE SET PWHASH = excluded.PWHASH",
                  {user, hash}, error)
             .ok())
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

LoginResult PgCheckLogin(PgConn& db, const std::string& user, const std::string& password,
                         std::string& error) {
    PgResult r = db.Query(std::string("SELECT ") + kLoginFunction + "($1)", {user}, error);
    if (!r.ok()) return LoginResult::Failed;
    if (r.Rows() == 1 && !r.IsNull(0, 0))
        return VerifyPassword(r.Text(0, 0), password) ? LoginResult::Accepted
                                                      : LoginResult::Refused;
    VerifyPassword(DummyPasswordHash(), password);
    return LoginResult::Refused;
}

}  // namespace qv::tools
