// A read-only connection to a broker's repository, whichever kind it is, for the tools that only
// read it with fixed statements of their own (kco). Statements name their parameters $1, $2, ...
// and bind them as text; both databases convert them to the column's type.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/common/Credentials.h"
#include "tools/common/Repository.h"

namespace qv::tools {

// One row of a result, columns by 0-based index.
class Row {
public:
    virtual ~Row() = default;
    virtual std::string Text(int column) const = 0;
    virtual long long Int(int column) const = 0;
};

class Connection {
public:
    virtual ~Connection() = default;

    // Runs one statement and calls `row` for each row. False with `error` set on failure.
    virtual bool Query(const std::string& sql, const std::vector<std::string>& params,
                       const std::function<void(const Row&)>& row, std::string& error) = 0;
    // The stored content of a version data object; `found` false when there is none.
    virtual bool FileContent(long long dataId, std::string& content, bool& found,
                             std::string& error) = 0;
    virtual LoginResult CheckLogin(const std::string& user, const std::string& password,
                                   std::string& error) = 0;
};

// Opens the repository read-only and makes sure it holds the repository tables. Null with
// `error` set otherwise; for a server, the error names the broker. A server repository is
// opened as the user's own role with the user's password; a login the server refuses gives a
// connection whose CheckLogin says Refused and that runs nothing else.
std::unique_ptr<Connection> OpenReadOnly(const std::string& broker, const Locator& locator,
                                         const std::string& user, const std::string& password,
                                         std::string& error);

}  // namespace qv::tools
