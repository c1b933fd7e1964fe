// The command-line splitter, template filling and the removal of the package option, with
// fuzzed templates and values.
#include "process/CommandLine.h"
#include "scm/Kco.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// A template that quotes one placeholder per argument.
std::string QuotedTemplate(size_t count) {
    std::string templ;
    for (size_t i = 0; i < count; ++i) templ += i ? " \"%s\"" : "\"%s\"";
    return templ;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Input in(data, size);
    const std::string line = in.Part();
    std::vector<std::string> values;
    while (!in.empty() && values.size() < 8) values.push_back(in.Part());

    // The splitter's arguments, joined again with each one quoted, split the same way.
    const std::vector<std::string> args = qv::SplitCommandLine(line);
    FUZZ_CHECK(args.size() <= line.size() / 2 + 1);
    const std::string joined = qv::FillCommand(QuotedTemplate(args.size()), args);
    FUZZ_CHECK(qv::SplitCommandLine(joined) == args);

    // Values filled into quoted placeholders come back as they are, whatever they hold.
    std::vector<std::string> plain;
    for (std::string v : values) {
        if (!v.empty()) plain.push_back(v);
    }
    FUZZ_CHECK(qv::SplitCommandLine(qv::FillCommand(QuotedTemplate(plain.size()), plain)) == plain);
    // A quoted placeholder after a program name keeps the value as its own argument.
    for (const std::string& v : values) {
        const std::vector<std::string> split =
            qv::SplitCommandLine(qv::FillCommand("kco -s \"%s\" -o kco.log", {v}));
        FUZZ_CHECK(split.size() == 5 && split[2] == v);
    }

    // Any template with any values: a template without '%' comes out unchanged.
    const std::string filled = qv::FillCommand(line, values);
    if (line.find('%') == std::string::npos) FUZZ_CHECK(filled == line);

    // Without its package option the template only gets shorter, and a template without the
    // option stays as it is.
    const std::string removed = qv::RemovePackageOption(line);
    FUZZ_CHECK(removed.size() <= line.size());
    if (line.find("-p ") == std::string::npos) FUZZ_CHECK(removed == line);
    if (removed != line) {
        const size_t at = line.find("-p ");
        FUZZ_CHECK(removed.compare(0, at, line, 0, at) == 0);
        FUZZ_CHECK(line.size() - removed.size() >= 3);
    }
    return 0;
}
