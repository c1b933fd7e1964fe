// Shared by the tests of the context dialog and of the source loading: the window test's settings
// store, install directory, trace file and headless host, and a repository answering from
// result-file texts.
#pragma once

#include <string>
#include <vector>

#include "tests/support/FakeRepository.h"
#include "tests/ui/WindowFixture.h"

namespace qvtest {

// A search result listing these packages of Payroll/DEV.
inline std::string SearchResult(const std::vector<std::string>& packages) {
    std::string text = "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\n";
    for (const std::string& p : packages) text += "Payroll\tDEV\t" + p + "\n";
    return text;
}

// A source statement result: the header, then one row per (name, version, item id).
inline std::string ItemRows(const std::vector<std::vector<std::string>>& rows) {
    std::string text = "ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\n";
    for (const auto& r : rows)
        text +=
            r[0] + "\t\\Payroll\\src\t" + r[1] + "\t1\tN\t100 \tann\tt1\tbob\tt2\t" + r[2] + "\n";
    return text;
}

class ContextFixture : public WindowTest {
protected:
    // True when a trace line ends with the message.
    bool Traced(const std::string& message) const {
        for (const std::string& line : Lines(ReadFile(qv::TheApp().traceFile)))
            if (line.ends_with(message)) return true;
        return false;
    }

    FakeRepository repo_{host_};
};

}  // namespace qvtest
