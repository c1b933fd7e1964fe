// A real demo repository for the end-to-end tests: made by the built krepo in a temporary
// directory, registered under a broker in a brokers file of its own, and changed with SQL on the
// repository file where a test needs data the demo set does not hold.
#pragma once

#include <string>

#include "tests/support/TempEnv.h"

namespace e2e {

class DemoRepository {
public:
    // Creates the demo repository and registers it as `broker`; TESSARK_BROKERS points to the
    // brokers file while the object lives. Throws when krepo fails.
    explicit DemoRepository(const std::string& broker = "demo");
    ~DemoRepository();
    DemoRepository(const DemoRepository&) = delete;
    DemoRepository& operator=(const DemoRepository&) = delete;

    const std::string& db() const { return db_; }
    std::string operator/(const std::string& name) const { return dir_ / name; }

    // Adds a user (or changes a password) with krepo adduser.
    void AddUser(const std::string& user, const std::string& password);
    // Runs SQL on the repository file directly (the tools only read). Throws on failure.
    void Exec(const std::string& sql);
    // The first column of the first row of a query, as text; empty when there is no row.
    std::string Scalar(const std::string& sql);

private:
    qvtest::TempDir dir_;
    std::string db_;
};

// Password of the extra user that the tests log in with; it appears nowhere else, so a trace
// that holds it in clear is easy to catch.
inline constexpr char kTester[] = "qvtester";
inline constexpr char kTesterPassword[] = "Tq7-unguessable";

}  // namespace e2e
