#include "scm/Repository.h"

#include "host/Host.h"
#include "scm/LineReader.h"

namespace qv {

int KsqlRepository::Run(const std::string& statement) {
    return RunKsql(context_, statement, timeLimitSeconds_);
}

FirstValue KsqlRepository::First() {
    return ReadFirstValue(context_.installDir, *context_.host);
}

std::vector<std::string> KsqlRepository::Values() {
    return ReadValues(context_.installDir, *context_.host);
}

ResultLines KsqlRepository::Lines(size_t readSize) {
    return ReadResultLines(ResultPath(), readSize);
}

std::string KsqlRepository::ResultPath() const {
    return KsqlResultPath(context_.installDir);
}

ResultLines ReadResultLines(const std::string& path, size_t readSize) {
    ResultLines result;
    LineReader reader(path, readSize);
    if (!reader.IsOpen()) return result;
    std::string line;
    while (reader.Next(line)) result.lines.push_back(line);
    result.readable = !reader.Failed();
    if (!result.readable) result.lines.clear();
    return result;
}

}  // namespace qv
