#include "app/IniFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace qv {

namespace {

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    const size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

bool ValidName(const std::string& name) {
    return !name.empty() && name.find_first_of("\r\n") == std::string::npos && Trim(name) == name;
}

bool ValidSection(const std::string& s) {
    return ValidName(s) && s.find(']') == std::string::npos;
}

bool ValidKey(const std::string& k) {
    return ValidName(k) && k.find('=') == std::string::npos && k[0] != '[' && k[0] != ';' &&
           k[0] != '#';
}

}  // namespace

bool IsStorableIniValue(const std::string& value) {
    return value.find_first_of("\r\n") == std::string::npos;
}

std::string FormatIniValue(const std::string& value) {
    if (value.empty()) return value;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (blank(value.front()) || blank(value.back()) || quoted) return '"' + value + '"';
    return value;
}

std::string ParseIniValue(const std::string& text) {
    std::string value = Trim(text);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

bool MakeDirectories(const std::string& dir, unsigned mode) {
    if (dir.empty()) return false;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    for (size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
        const std::string part = dir.substr(0, pos);
        if (!part.empty() && mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

IniFile::IniFile(const std::string& contents) {
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        std::string text = contents.substr(start, end - start);
        start = end + 1;
        Line line;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
            line.crlf = true;
        }
        line.raw = text;
        const std::string trimmed = Trim(text);
        const size_t eq = text.find('=');
        if (!trimmed.empty() && trimmed[0] == '[' && trimmed.find(']') != std::string::npos) {
            line.kind = Line::Section;
            line.name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
        } else if (!trimmed.empty() && trimmed[0] != ';' && trimmed[0] != '#' &&
                   eq != std::string::npos && !Trim(text.substr(0, eq)).empty()) {
            line.kind = Line::Entry;
            line.name = Trim(text.substr(0, eq));
            line.value = ParseIniValue(text.substr(eq + 1));
        }
        lines_.push_back(std::move(line));
    }
}

IniFile IniFile::Load(const std::string& path) {
    IniFile ini;
    return TryLoad(path, ini) ? ini : IniFile();
}

bool IniFile::TryLoad(const std::string& path, IniFile& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT) return false;
        out = IniFile();
        return true;
    }
    std::string contents;
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        contents.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    if (ok) out = IniFile(contents);
    return ok;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    bool inSection = false;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section) {
            inSection = SameName(l.name, section);
        } else if (inSection && l.kind == Line::Entry && SameName(l.name, key)) {
            return l.value;
        }
    }
    return std::nullopt;
}

bool IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    if (!ValidSection(section) || !ValidKey(key) || !IsStorableIniValue(value)) return false;
    const bool crlf = NewLinesCrlf();
    Line entry;
    entry.kind = Line::Entry;
    entry.name = key;
    entry.value = value;
    entry.raw = key + "=" + FormatIniValue(value);
    entry.crlf = crlf;

    bool inSection = false;
    size_t insertAt = std::string::npos;  // after the first block of the section
    bool firstBlockDone = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line& l = lines_[i];
        if (l.kind == Line::Section) {
            if (inSection) firstBlockDone = true;
            inSection = SameName(l.name, section);
            if (inSection && insertAt == std::string::npos) insertAt = i + 1;
        } else if (inSection && l.kind == Line::Entry) {
            if (SameName(l.name, key)) {
                l.value = value;
                l.raw = l.raw.substr(0, l.raw.find('=') + 1) + FormatIniValue(value);
                return true;
            }
            if (!firstBlockDone) insertAt = i + 1;
        }
    }
    if (insertAt != std::string::npos) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
        return true;
    }
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) {
        Line blank;
        blank.crlf = crlf;
        lines_.push_back(std::move(blank));
    }
    Line header;
    header.kind = Line::Section;
    header.name = section;
    header.raw = "[" + section + "]";
    header.crlf = crlf;
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
    return true;
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Line& l : lines_) {
        out += l.raw;
        out += l.crlf ? "\r\n" : "\n";
    }
    return out;
}

bool IniFile::Save(const std::string& path, unsigned mode) const {
    return WriteFileAtomically(path, Serialize(), mode);
}

}  // namespace qv
