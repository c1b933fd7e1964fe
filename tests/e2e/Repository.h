// A real demo repository for the end-to-end tests: made by the built krepo, in a temporary file or
// in a database of the test program's PostgreSQL cluster, registered under a broker in a brokers
// file of its own, and changed with SQL on the repository where a test needs data the demo set
// does not hold.
#pragma once

#include <string>

#include "tests/support/TempEnv.h"

namespace e2e {

enum class Backend { Sqlite, Postgres };

// "Sqlite" or "Postgres", for the names of parameterised tests.
std::string BackendName(Backend backend);

class DemoRepository {
public:
    // Creates the demo repository and registers it as `broker`; TESSARK_BROKERS points to the
    // brokers file while the object lives. Throws when krepo fails or no server can be started.
    explicit DemoRepository(const std::string& broker = "demo", Backend backend = Backend::Sqlite);
    ~DemoRepository();
    DemoRepository(const DemoRepository&) = delete;
    DemoRepository& operator=(const DemoRepository&) = delete;

    const std::string& db() const { return db_; }
    std::string brokersFile() const { return dir_ / "brokers.ini"; }
    std::string operator/(const std::string& name) const { return dir_ / name; }

    // Adds a user (or changes a password) with krepo adduser.
    void AddUser(const std::string& user, const std::string& password);
    // Runs SQL on the repository directly, as its owner (the tools only read). Throws on failure.
    void Exec(const std::string& sql);
    // The first column of the first row of a query, as text; empty when there is no row.
    std::string Scalar(const std::string& sql);

private:
    qvtest::TempDir dir_;
    Backend backend_;
    std::string db_;       // the file, or the server database's name
    std::string locator_;  // what krepo is given
};

// Password of the extra user that the tests log in with; it appears nowhere else, so a trace
// that holds it in clear is easy to catch.
inline constexpr char kTester[] = "qvtester";
inline constexpr char kTesterPassword[] = "Tq7-unguessable";

}  // namespace e2e
