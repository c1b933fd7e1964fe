#include "tools/common/SelectList.h"

#include <cctype>
#include <cstring>

namespace qv::tools {
namespace {

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Skips a quoted text, a quoted name or a comment that starts at `i`; returns the position
// after it, or `i` when none starts there.
size_t SkipQuoted(const std::string& sql, size_t i) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
        for (size_t j = i + 1; j < sql.size(); ++j) {
            if (sql[j] == c) {
                if (j + 1 < sql.size() && sql[j + 1] == c) {
                    ++j;
                    continue;
                }
                return j + 1;
            }
        }
        return sql.size();
    }
    if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
        size_t e = sql.find('\n', i);
        return e == std::string::npos ? sql.size() : e + 1;
    }
    if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
        size_t e = sql.find("*/", i + 2);
        return e == std::string::npos ? sql.size() : e + 2;
    }
    return i;
}

// The item without its comments (a comment after the last item runs to the list's end).
std::string WithoutComments(const std::string& item) {
    std::string out;
    for (size_t i = 0; i < item.size();) {
        size_t next = SkipQuoted(item, i);
        if (next == i) {
            out += item[i++];
        } else {
            if (item[i] == '\'' || item[i] == '"') out += item.substr(i, next - i);
            i = next;
        }
    }
    return Trim(out);
}

// One name token at the end of `item`: a bare word or a quoted name; `start` receives where it
// begins. Empty when the item does not end with one.
std::string TrailingName(const std::string& item, size_t& start, bool& quoted) {
    quoted = false;
    if (item.empty()) return {};
    size_t end = item.size();
    if (item.back() == '"') {
        size_t open = item.rfind('"', end - 2);
        if (open == std::string::npos || end < 2) return {};
        start = open;
        quoted = true;
        return item.substr(open + 1, end - open - 2);
    }
    size_t b = end;
    while (b > 0 && IsWordChar(item[b - 1])) --b;
    if (b == end) return {};
    start = b;
    return item.substr(b);
}

bool IsKeyword(const std::string& word) {
    static const char* const kWords[] = {"END",  "NULL",    "TRUE",   "FALSE",    "AND",
                                         "OR",   "NOT",     "IS",     "IN",       "LIKE",
                                         "GLOB", "BETWEEN", "ESCAPE", "DISTINCT", "ALL"};
    std::string u = Upper(word);
    for (const char* k : kWords)
        if (u == k) return true;
    return false;
}

std::string NameOf(const std::string& item) {
    size_t start = 0;
    bool quoted = false;
    std::string last = TrailingName(item, start, quoted);
    if (quoted && start == 0) return last;  // a quoted name alone
    if (!last.empty() && start > 0) {
        std::string before = Trim(item.substr(0, start));
        // "expr AS name"
        if (before.size() > 2 && Upper(before.substr(before.size() - 2)) == "AS" &&
            !IsWordChar(before[before.size() - 3]))
            return last;
        // "expr name": the alias follows something that ends an expression
        bool spaced = std::isspace(static_cast<unsigned char>(item[start - 1])) != 0;
        char prev = before.empty() ? '\0' : before.back();
        if (spaced && !IsKeyword(last) &&
            (IsWordChar(prev) || prev == ')' || prev == '"' || prev == '\''))
            return last;
    }
    // A column reference, qualified or not, is named by its column.
    bool reference = !item.empty();
    for (char c : item)
        if (!IsWordChar(c) && c != '.' && c != '"') reference = false;
    if (reference && !std::isdigit(static_cast<unsigned char>(item[0]))) {
        std::string column =
            item.substr(item.rfind('.') == std::string::npos ? 0 : item.rfind('.') + 1);
        if (column.size() >= 2 && column.front() == '"' && column.back() == '"')
            column = column.substr(1, column.size() - 2);
        return column;
    }
    return item;
}

bool WordAt(const std::string& sql, size_t i, const char* word) {
    size_t n = std::strlen(word);
    if (i + n > sql.size()) return false;
    if (i > 0 && IsWordChar(sql[i - 1])) return false;
    if (i + n < sql.size() && IsWordChar(sql[i + n])) return false;
    for (size_t k = 0; k < n; ++k)
        if (std::toupper(static_cast<unsigned char>(sql[i + k])) != word[k]) return false;
    return true;
}

}  // namespace

std::vector<std::string> SelectListNames(const std::string& sql) {
    static const char* const kEnds[] = {"FROM",   "WHERE",     "GROUP",  "ORDER",  "LIMIT",
                                        "UNION",  "INTERSECT", "EXCEPT", "HAVING", "WINDOW",
                                        "OFFSET", "FETCH",     "INTO"};
    std::vector<std::string> items;
    int depth = 0;
    size_t listStart = std::string::npos;
    size_t itemStart = 0;
    bool ended = false;
    for (size_t i = 0; i < sql.size() && !ended;) {
        size_t skipped = SkipQuoted(sql, i);
        if (skipped != i) {
            i = skipped;
            continue;
        }
        char c = sql[i];
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth == 0 && listStart == std::string::npos && WordAt(sql, i, "SELECT")) {
            listStart = i + 6;
            for (const char* q : {"DISTINCT", "ALL"}) {
                size_t w = sql.find_first_not_of(" \t\r\n", listStart);
                if (w != std::string::npos && WordAt(sql, w, q)) listStart = w + std::strlen(q);
            }
            itemStart = i = listStart;
            continue;
        }
        if (depth == 0 && listStart != std::string::npos) {
            bool end = c == ';';
            for (const char* e : kEnds) end = end || WordAt(sql, i, e);
            if (end || c == ',') {
                items.push_back(Trim(sql.substr(itemStart, i - itemStart)));
                itemStart = i + 1;
                ended = end;
            }
        }
        ++i;
    }
    if (listStart == std::string::npos) return {};
    if (!ended) items.push_back(Trim(sql.substr(itemStart)));
    for (std::string& item : items) item = WithoutComments(item);
    std::vector<std::string> names;
    for (const std::string& item : items) {
        if (item.empty() || item == "*" ||
            (item.size() > 2 && item.compare(item.size() - 2, 2, ".*") == 0))
            return {};
        names.push_back(NameOf(item));
    }
    return names;
}

}  // namespace qv::tools
