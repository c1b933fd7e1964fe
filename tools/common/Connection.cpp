#include "tools/common/Connection.h"

#include "tools/common/PgRepository.h"
#include "tools/common/Schema.h"

namespace qv::tools {
namespace {

class SqliteRow : public Row {
public:
    explicit SqliteRow(const Stmt& st) : st_(st) {}
    std::string Text(int column) const override { return st_.Text(column); }
    long long Int(int column) const override { return st_.Int(column); }

private:
    const Stmt& st_;
};

class SqliteConnection : public Connection {
public:
    bool Open(const std::string& path, std::string& error) {
        if (!db_.Open(path, Db::Mode::ReadOnly, error)) return false;
        if (!HasSchema(db_)) {
            error = "not a repository: " + path;
            return false;
        }
        return true;
    }

    bool Query(const std::string& sql, const std::vector<std::string>& params,
               const std::function<void(const Row&)>& row, std::string& error) override {
        Stmt st = db_.Prepare(sql, error);
        if (!st) return false;
        for (size_t i = 0; i < params.size(); ++i) {
            int index =
                sqlite3_bind_parameter_index(st.get(), ("$" + std::to_string(i + 1)).c_str());
            if (index > 0) st.Bind(index, params[i]);
        }
        SqliteRow r(st);
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) row(r);
        if (rc != SQLITE_DONE) {
            error = db_.LastError();
            return false;
        }
        return true;
    }

    bool FileContent(long long dataId, std::string& content, bool& found,
                     std::string& error) override {
        found = false;
        Stmt data = db_.Prepare(
            std::string("SELECT CONTENT FROM ") + kFileDataTable + " WHERE VERSIONDATAOBJID = ?1",
            error);
        if (!data) return false;
        data.Bind(1, static_cast<int64_t>(dataId));
        int rc = data.Step();
        if (rc == SQLITE_ROW) {
            found = true;
            const void* blob = sqlite3_column_blob(data.get(), 0);
            int size = sqlite3_column_bytes(data.get(), 0);
            content.clear();
            if (blob && size > 0) content.assign(static_cast<const char*>(blob), size);
            return true;
        }
        if (rc != SQLITE_DONE) {
            error = db_.LastError();
            return false;
        }
        return true;
    }

    LoginResult CheckLogin(const std::string& user, const std::string& password,
                           std::string& error) override {
        return qv::tools::CheckLogin(db_, user, password, error);
    }

private:
    Db db_;
};

class PgRow : public Row {
public:
    PgRow(const PgResult& r, int row) : r_(r), row_(row) {}
    std::string Text(int column) const override { return r_.Text(row_, column); }
    long long Int(int column) const override { return r_.Int(row_, column); }

private:
    const PgResult& r_;
    int row_;
};

class PgConnection : public Connection {
public:
    bool Open(const std::string& broker, const std::string& conninfo, const std::string& user,
              const std::string& password, std::string& error) {
        std::string why;
        if (!PgConnectAsUser(conn_, conninfo, user, password, refused_, why)) {
            if (refused_) return true;
            error = "cannot reach the repository server of broker '" + broker + "': " + why;
            return false;
        }
        // The tool's own statements only read; a read-only session makes sure of it.
        if (!conn_.Exec("SET default_transaction_read_only = on", error)) return false;
        return true;
    }
    bool Query(const std::string& sql, const std::vector<std::string>& params,
               const std::function<void(const Row&)>& row, std::string& error) override {
        PgResult r = conn_.Query(sql, params, error);
        if (!r.ok()) return false;
        for (int i = 0; i < r.Rows(); ++i) row(PgRow(r, i));
        return true;
    }

    bool FileContent(long long dataId, std::string& content, bool& found,
                     std::string& error) override {
        PgResult r = conn_.Query(
            std::string("SELECT CONTENT FROM ") + kFileDataTable + " WHERE VERSIONDATAOBJID = $1",
            {std::to_string(dataId)}, error, true);
        if (!r.ok()) return false;
        found = r.Rows() > 0;
        if (found) content = r.Text(0, 0);
        return true;
    }

    // The server checked the password when the connection was made.
    LoginResult CheckLogin(const std::string&, const std::string&, std::string&) override {
        return refused_ ? LoginResult::Refused : LoginResult::Accepted;
    }

private:
    PgConn conn_;
    bool refused_ = false;
};

}  // namespace

std::unique_ptr<Connection> OpenReadOnly(const std::string& broker, const Locator& locator,
                                         const std::string& user, const std::string& password,
                                         std::string& error) {
    if (locator.kind == Locator::Kind::Postgres) {
        auto c = std::make_unique<PgConnection>();
        if (!c->Open(broker, locator.target, user, password, error)) return nullptr;
        return c;
    }
    auto c = std::make_unique<SqliteConnection>();
    if (!c->Open(locator.target, error)) return nullptr;
    return c;
}

}  // namespace qv::tools
