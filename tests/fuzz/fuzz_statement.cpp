// Statement building with fuzzed formats and values: a value between quotes stays one string
// literal, whatever it holds.
#include "engine/MappedVersion.h"
#include "scm/Sql.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// The literal's text back: doubled quotes made single again; false when a lone quote would
// have ended the literal early.
bool Unquote(const std::string& literal, std::string& out) {
    out.clear();
    for (size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] == '\'') {
            if (i + 1 >= literal.size() || literal[i + 1] != '\'') return false;
            ++i;
        }
        out += literal[i];
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qvfuzz::Input in(data, size);
    const std::string format = in.Part();
    const std::string a = in.Part();
    const std::string b = in.Rest();

    std::string back;
    FUZZ_CHECK(Unquote(qv::SqlQuote(a), back) && back == a);
    const std::string statement = qv::FormatStatement("WHERE A = '%s' AND B = '%s'", {a, b});
    FUZZ_CHECK(statement ==
               "WHERE A = '" + qv::SqlQuote(a) + "' AND B = '" + qv::SqlQuote(b) + "'");

    // A number placeholder always gives a number; a text of a few digits gives that number.
    const std::string number = qv::FormatStatement("%d", {a});
    FUZZ_CHECK(!number.empty() && number.find_first_not_of(
                                      "0123456789", number[0] == '-' ? 1 : 0) == std::string::npos);
    if (!a.empty() && a.size() < 10 && a.find_first_not_of("0123456789") == std::string::npos)
        FUZZ_CHECK(number == std::to_string(qv::Num(a)));

    // Any format: one without '%' comes out unchanged; otherwise it only grows by the values.
    const std::string filled = qv::FormatStatement(format, {a, b, 7});
    if (format.find('%') == std::string::npos) FUZZ_CHECK(filled == format);
    size_t placeholders = 0;
    for (size_t i = 0; i + 1 < format.size(); ++i) placeholders += format[i] == '%';
    FUZZ_CHECK(filled.size() <= format.size() + placeholders * (2 * (a.size() + b.size()) + 12));
    return 0;
}
