#include "scm/ToolCommand.h"

#include "process/CommandLine.h"

namespace qv {

namespace {

// Where the index-th "%s" of a template begins; npos when it has fewer.
size_t PlaceholderAt(const std::string& text, size_t index) {
    size_t seen = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] == 's' && seen++ == index) return i;
        ++i;  // "%s" counted, "%%" or another pair skipped
    }
    return std::string::npos;
}

}  // namespace

std::string WithoutPasswordOption(const std::string& text, size_t passwordIndex) {
    const size_t at = PlaceholderAt(text, passwordIndex);
    if (at == std::string::npos) return text;
    size_t begin = at, end = at + 2;
    if (begin > 0 && text[begin - 1] == '"' && end < text.size() && text[end] == '"') {
        --begin;
        ++end;
    }
    size_t option = begin;
    while (option > 0 && (text[option - 1] == ' ' || text[option - 1] == '\t')) --option;
    if (option == begin || option < 3 || text.compare(option - 3, 3, "-pw") != 0) return text;
    option -= 3;
    if (option > 0 && text[option - 1] != ' ' && text[option - 1] != '\t') return text;
    while (option > 0 && (text[option - 1] == ' ' || text[option - 1] == '\t')) --option;
    return text.substr(0, option) + text.substr(end);
}

std::string FillToolCommand(const std::string& templateText, std::vector<std::string> values,
                            size_t passwordIndex) {
    const std::string templ = WithoutPasswordOption(templateText, passwordIndex);
    if (passwordIndex < values.size()) values.erase(values.begin() + passwordIndex);
    return FillCommand(templ, values);
}

}  // namespace qv
