// Runs a program built next to the running test program as a child process, with a given standard
// input, and collects its exit code and everything it wrote.
#pragma once

#include <string>
#include <vector>

namespace qvtest {

struct ToolResult {
    int exitCode = -1;  // 128 + the signal for a program that a signal ended
    std::string out;
    std::string err;
};

// The directory of the running test program (where the tools are built).
std::string BinDir();

// Runs BinDir()/name with the arguments; `input` becomes its standard input. A program that
// cannot be started or waited for gives exit code -1 and the reason in `err`.
ToolResult RunTool(const std::string& name, const std::vector<std::string>& args,
                   const std::string& input = "");

// The same for a program given by its full path.
ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input = "");

}  // namespace qvtest
