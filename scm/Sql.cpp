#include "scm/Sql.h"

#include <cstdlib>
#include <vector>

namespace qv {

std::string SqlQuote(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string FormatStatement(std::string_view format, std::initializer_list<SqlArg> args) {
    std::vector<const SqlArg*> values;
    values.reserve(args.size());
    for (const SqlArg& a : args) values.push_back(&a);
    std::string out;
    out.reserve(format.size() + 64);
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        char k = format[i + 1];
        if (k == '%') {
            out += '%';
            ++i;
        } else if (k == 's') {
            if (next < values.size()) {
                const SqlArg& a = *values[next];
                out += a.IsNumber() ? std::to_string(a.Number()) : SqlQuote(a.Text());
            }
            ++next;
            ++i;
        } else if (k == 'd') {
            long long n = 0;
            if (next < values.size()) {
                const SqlArg& a = *values[next];
                n = a.IsNumber() ? a.Number() : std::strtoll(a.Text().c_str(), nullptr, 10);
            }
            out += std::to_string(n);
            ++next;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace qv
