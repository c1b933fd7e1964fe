#include "engine/SavedList.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace qv {

std::string ListHeaderLine(const std::vector<std::string>& titles) {
    std::string line;
    for (const std::string& t : titles) {
        line += t;
        line += ',';
    }
    line += "\r\n";
    return line;
}

std::string ListDataLine(const std::vector<std::string>& cells) {
    std::string line;
    for (const std::string& cell : cells) {
        const size_t start = line.size();
        const size_t n = std::min(cell.size(), kListCellMaxChars);
        for (size_t i = 0; i < n; ++i) {
            if (cell[i] != '\r' && cell[i] != '\n') line += cell[i];
        }
        if (line.size() == start) line += ' ';
        if (line.find_first_of(",\"", start) != std::string::npos) {
            std::string quoted = "\"";
            for (size_t i = start; i < line.size(); ++i) {
                quoted += line[i];
                if (line[i] == '"') quoted += '"';
            }
            line.replace(start, std::string::npos, quoted + '"');
        }
        line += ',';
    }
    line += "\r\n";
    return line;
}

bool EndsListReading(const std::string& line) {
    return line.find("Error: ") != std::string::npos ||
           line.find("KSQL query has Zero results.") != std::string::npos;
}

namespace {

// The quoted cell that begins at `begin` (a double quote): its text and the position after its
// closing quote, or nothing when the quotes do not close right before a comma or the line's end.
std::optional<std::pair<std::string, size_t>> QuotedCell(const std::string& line, size_t begin) {
    std::string text;
    for (size_t i = begin + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            text += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
            text += '"';
            ++i;
        } else if (i + 1 == line.size() || line[i + 1] == ',') {
            // Empty cells are written as one blank; a quoted empty cell reads as that blank too.
            if (text.empty()) text = " ";
            return std::make_pair(std::move(text), i + 1);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> SplitListLine(const std::string& line) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t begin = line.find_first_not_of(',', pos);
        if (begin == std::string::npos) break;
        if (line[begin] == '"') {
            if (auto cell = QuotedCell(line, begin)) {
                pieces.push_back(std::move(cell->first));
                pos = cell->second;
                continue;
            }
        }
        size_t end = line.find(',', begin);
        if (end == std::string::npos) end = line.size();
        pieces.push_back(line.substr(begin, end - begin));
        pos = end;
    }
    return pieces;
}

CFObj SavedListRecord(const std::string& line) {
    std::vector<std::string> f = SplitListLine(line);
    f.resize(std::max<size_t>(f.size(), kSavedListFields));
    CFObj r;
    r.itemName = f[0];
    r.pathFullName = f[1];
    r.mappedVersion = f[2];
    r.itemType = f[3];
    r.versionStatus = f[4];
    const size_t firstNonBlank = f[5].find_first_not_of(' ');
    r.result = firstNonBlank == std::string::npos ? std::string() : f[5].substr(firstNonBlank);
    r.packageName = f[6];
    r.dataSize = f[7];
    r.creator = f[8];
    r.creationTime = f[9];
    r.modifier = f[10];
    r.modifiedTime = f[11];
    r.itemObjId = f[12];
    return r;
}

}  // namespace qv
