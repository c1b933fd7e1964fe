#include "process/CommandLine.h"

namespace qv {

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;  // an argument has begun (possibly an empty quoted one)
    bool quoted = false;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == '\\') {
            size_t n = 0;
            while (i < line.size() && line[i] == '\\') {
                ++n;
                ++i;
            }
            inArg = true;
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2 == 1) {
                    current += '"';
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                current.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            inArg = true;
            ++i;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) {
                args.push_back(std::move(current));
                current.clear();
                inArg = false;
            }
            ++i;
            continue;
        }
        current += c;
        inArg = true;
        ++i;
    }
    if (inArg) args.push_back(std::move(current));
    return args;
}

namespace {

// Appends the value so that it splits back to itself; `nextIsQuote` tells whether the template
// puts a double quote right after it.
void AppendProtected(std::string& out, const std::string& value, bool nextIsQuote) {
    size_t backslashes = 0;
    for (char c : value) {
        if (c == '\\') {
            ++backslashes;
            out += c;
            continue;
        }
        if (c == '"') {
            out.append(backslashes + 1, '\\');
            out += '"';
        } else {
            out += c;
        }
        backslashes = 0;
    }
    if (nextIsQuote) out.append(backslashes, '\\');
}

}  // namespace

std::string FillCommand(std::string_view text, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(text.size() + 64);
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 1 < text.size()) {
            char k = text[i + 1];
            if (k == 's') {
                bool nextIsQuote = i + 2 < text.size() && text[i + 2] == '"';
                if (next < values.size()) AppendProtected(out, values[next], nextIsQuote);
                ++next;
                ++i;
                continue;
            }
            if (k == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace qv
