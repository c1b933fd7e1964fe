// krepo's commands on a PostgreSQL server repository, named by its locator
// ("postgresql:host=db dbname=tessark" or a "postgresql://" URI).
#pragma once

#include <string>

namespace qv::tools {

// True when a repository argument names a server repository rather than a file.
bool IsServerLocator(const std::string& target);

// The locator for the users' brokers: the owner's connection settings without the user and the
// password (each user's tools connect as the user's own role); unchanged when it names no
// database.
std::string BrokerLocator(const std::string& locator);

int ServerCreate(const std::string& locator, bool indexes);
int ServerIndexes(const std::string& locator, bool create);
int ServerAddUser(const std::string& locator, const std::string& user, const std::string& password);
int ServerDemo(const std::string& locator, long long size, bool indexes, const std::string& broker);
int ServerStats(const std::string& locator);

}  // namespace qv::tools
