// A throwaway PostgreSQL server for the tests of server repositories: a cluster made with initdb
// in a temporary directory, listening only on a Unix socket in that directory (no TCP port), run
// as the unprivileged "postgres" user because the server refuses to run as root. One cluster per
// test program, started on first use; it is stopped and removed at the end of the program, and
// by a watchdog process when the program ends any other way (a crash, a failed assertion that
// aborts).
// Under ctest, where every case is a process of its own, the run starts one cluster for all cases
// (tests/support/pg-cluster, named by QV_TEST_PG_CLUSTER) and stops it after the last case; a
// program then only uses it.
#pragma once

#include <string>

namespace qvtest {

class PgCluster {
public:
    // The cluster of this test program, started on first use; null when no server can be run
    // here (not root, no postgres user or no server installed), with the reason in `why`.
    static PgCluster* Get(std::string& why);

    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // Creates a new empty database and gives its connection string for the owner (the cluster's
    // superuser). Names are unique within the cluster.
    std::string NewDatabase(const std::string& prefix);

    // A connection string for a database as a role (through the socket; only the superuser is
    // trusted there, every other role gives its password).
    std::string Conninfo(const std::string& database, const std::string& role = "postgres") const;
    // Runs SQL as the superuser with psql; returns its unaligned output ("" on failure, with
    // `ok` false).
    std::string Sql(const std::string& database, const std::string& sql, bool* ok = nullptr) const;

    const std::string& socketDir() const { return dir_; }
    // The server's program directory (psql is there).
    const std::string& bin() const { return bin_; }

private:
    PgCluster() = default;
    bool Start(std::string& why);

    std::string dir_, bin_;
    int watchdogPipe_ = -1;
    int watchdogPid_ = -1;
    int databases_ = 0;
    bool running_ = false;
};

}  // namespace qvtest
