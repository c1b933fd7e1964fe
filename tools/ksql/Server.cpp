#include "tools/ksql/Server.h"

#include "tools/common/PgRepository.h"
#include "tools/common/Schema.h"
#include "tools/common/SelectList.h"

namespace qv::tools {
namespace {

// PostgreSQL's type of blank-padded text (char(n)).
constexpr unsigned kBpcharOid = 1042;

// Every setting of the session the role may see, taken before and after the statement: a
// statement that changes one (set_config) is refused even though the transaction is rolled back.
// SHOW ALL lists what the settings view lists, without the view's cost in a new session (about
// 1 ms each time there).
const char* const kShowSettings = "SHOW ALL";

std::string SettingsText(const PgResult& r) {
    std::string text;
    for (int row = 0; row < r.Rows(); ++row) text += r.Text(row, 0) + '=' + r.Text(row, 1) + '\n';
    return text;
}

// True when the text holds nothing but blanks and comments.
bool IsEmptyStatement(const std::string& sql) {
    for (size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';') continue;
        if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            size_t e = sql.find('\n', i);
            if (e == std::string::npos) return true;
            i = e;
            continue;
        }
        if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            size_t e = sql.find("*/", i + 2);
            if (e == std::string::npos) return true;
            i = e + 1;
            continue;
        }
        return false;
    }
    return true;
}

std::string Explain(const std::string& serverMessage) {
    if (serverMessage.find("multiple commands") != std::string::npos)
        return "only one statement can be run at a time";
    if (serverMessage.find("tkcredentials") != std::string::npos ||
        serverMessage.find("TKCREDENTIALS") != std::string::npos)
        return "the credentials table cannot be read (" + serverMessage + ")";
    if (serverMessage.find("read-only transaction") != std::string::npos)
        return serverMessage + ": ksql runs read-only";
    return serverMessage;
}

// The result text: header, rows, or the zero-results line.
std::string FormatResult(const PgResult& r, const std::string& sql) {
    const int columns = r.Columns();
    std::vector<std::string> names = SelectListNames(sql);
    if (static_cast<int>(names.size()) != columns) {
        names.clear();
        for (int c = 0; c < columns; ++c) names.push_back(Pq().PQfname(r.get(), c));
    }
    std::string out;
    for (int c = 0; c < columns; ++c) {
        if (c) out += '\t';
        std::string name = AsciiUpper(names[static_cast<size_t>(c)]);
        AppendField(out, name.data(), name.size());
    }
    out += '\n';
    if (r.Rows() == 0) return "KSQL query has Zero results.\n";
    std::vector<bool> padded;
    for (int c = 0; c < columns; ++c) padded.push_back(Pq().PQftype(r.get(), c) == kBpcharOid);
    for (int row = 0; row < r.Rows(); ++row) {
        for (int c = 0; c < columns; ++c) {
            if (c) out += '\t';
            if (r.IsNull(row, c)) continue;
            const char* v = Pq().PQgetvalue(r.get(), row, c);
            size_t size = static_cast<size_t>(Pq().PQgetlength(r.get(), row, c));
            // char(n) comes back padded with blanks; SQLite's cast gives the text alone.
            if (padded[static_cast<size_t>(c)])
                while (size > 0 && v[size - 1] == ' ') --size;
            AppendField(out, v, size);
        }
        out += '\n';
    }
    return out;
}

}  // namespace

int RunOnServer(const std::string& broker, const std::string& conninfo, const std::string& user,
                const std::string& password, const std::string& statementFile, Output& out) {
    PgConn db;
    std::string error;
    // The server checks the password: the tool connects as the user's own role.
    bool refused = false;
    if (!PgConnectAsUser(db, conninfo, user, password, refused, error)) {
        if (refused)
            return out.Error("Incorrect Login for user '" + user + "' on broker '" + broker + "'",
                             kLoginRefused);
        return out.Error("cannot reach the repository server of broker '" + broker + "': " + error,
                         kNoRepository);
    }

    // One exchange with the server before the statement: whether the role is a user's read-only
    // one (a role that can read the repository's own bookkeeping, its owner or a superuser,
    // could also take back any restriction set here; a superuser passes every privilege check),
    // then the read-only transaction with its time limit and the session's settings.
    std::vector<PgResult> rs;
    const std::string setup =
        std::string(
            "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; SELECT rolsuper OR "
            "has_table_privilege(current_user, '") +
        kMetaTable +
        "', 'SELECT') FROM pg_roles WHERE rolname = current_user; SET LOCAL statement_timeout = " +
        std::to_string(StatementTimeLimitMs()) + "; " + kShowSettings;
    const bool setUp = db.ExecAll(setup, rs, error);
    if (rs.size() >= 2 && rs[1].ok() && (rs[1].Rows() != 1 || rs[1].Text(0, 0) != "f"))
        return out.Error("broker '" + broker + "' connects as role '" + Pq().PQuser(db.get()) +
                             "', which can change the repository; ksql connects only as a "
                             "user's read-only role",
                         kNoRepository);
    if (!setUp || rs.size() != 4)
        return out.Error("broker '" + broker + "': " + error, kNoRepository);
    const std::string before = SettingsText(rs[3]);

    std::string sql;
    if (!ReadWholeFile(statementFile, sql, error)) return out.Error(error, kUsage);
    if (IsEmptyStatement(sql))
        return out.Error("the statement file holds no statement", kStatementFailed);

    // Prepared first, so that what is not a query (SET, RESET, COPY, transaction control, DDL)
    // is refused before it runs: only statements that give rows are run.
    PgResult prepared(Pq().PQprepare(db.get(), "", sql.c_str(), 0, nullptr));
    if (!prepared.ok()) return out.Error(Explain(prepared.Error()), kStatementFailed);
    PgResult described(Pq().PQdescribePrepared(db.get(), ""));
    if (!described.ok()) return out.Error(Explain(described.Error()), kStatementFailed);
    if (described.Columns() == 0)
        return out.Error(
            "only statements that give rows can be run: ksql reads the repository and changes "
            "neither it nor the session's settings",
            kStatementFailed);
    PgResult result(Pq().PQexecPrepared(db.get(), "", 0, nullptr, nullptr, nullptr, 0));
    if (!result.ok()) return out.Error(Explain(result.Error()), kStatementFailed);

    // What the statement left behind, looked at before everything is rolled back: a changed
    // setting, a write (which a read-only transaction lets through for large objects, say) or
    // a lock held beyond the statement.
    if (!db.ExecAll(std::string(kShowSettings) +
                        "; SELECT pg_current_xact_id_if_assigned() IS NOT NULL, EXISTS (SELECT 1 "
                        "FROM pg_locks WHERE pid = pg_backend_pid() AND locktype = 'advisory'); "
                        "ROLLBACK",
                    rs, error))
        return out.Error(error, kStatementFailed);
    if (rs.size() < 2 || rs[1].Rows() != 1 || SettingsText(rs[0]) != before)
        return out.Error(
            "the statement changes a setting of the session; ksql runs statements that only read",
            kStatementFailed);
    if (rs[1].Text(0, 0) != "f")
        return out.Error("the statement writes to the database; ksql runs read-only",
                         kStatementFailed);
    if (rs[1].Text(0, 1) != "f")
        return out.Error(
            "the statement takes a lock that outlives it; ksql runs statements "
            "that only read",
            kStatementFailed);
    return out.Write(FormatResult(result, sql)) ? kOk : kStatementFailed;
}

}  // namespace qv::tools
