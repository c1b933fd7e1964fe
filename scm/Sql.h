// Building SQL statements for the query tool from statement formats.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qv {

// The value with every single quote doubled, so that it stays one string literal when placed
// between single quotes in a statement.
std::string SqlQuote(std::string_view value);

// One value for a statement format: a text or a number.
class SqlArg {
public:
    SqlArg(std::string_view text) : text_(text) {}
    SqlArg(const std::string& text) : text_(text) {}
    SqlArg(const char* text) : text_(text ? text : "") {}
    SqlArg(int number) : number_(number), isNumber_(true) {}
    SqlArg(long number) : number_(number), isNumber_(true) {}
    SqlArg(long long number) : number_(number), isNumber_(true) {}

    bool IsNumber() const { return isNumber_; }
    const std::string& Text() const { return text_; }
    long long Number() const { return number_; }

private:
    std::string text_;
    long long number_ = 0;
    bool isNumber_ = false;
};

// Fills a statement format printf-style with the values, in order: "%s" takes a text (inserted
// through SqlQuote, so a value inside '...' cannot end the literal) or a number, "%d" a number
// (a text is read the way atoi reads it), "%%" gives one "%". Any other "%" sequence stays as it
// is; placeholders beyond the values give empty text or 0. Nothing else of the format changes.
std::string FormatStatement(std::string_view format, std::initializer_list<SqlArg> args);

}  // namespace qv
