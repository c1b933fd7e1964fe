// A human-readable INI file of sections and keys, read and rewritten as a whole.
//
// File format: "[Section]" lines open a section; "Key=value" lines hold values; lines beginning
// with ';' or '#', blank lines and anything else are kept as they are. Section and key names
// compare without regard to ASCII letter case. A value is everything after the first '=' (a
// CR before the line end is dropped); it is never trimmed, so leading and trailing blanks are
// kept. Values are escaped so that any byte string survives: a line feed is written as \n, a
// carriage return as \r, other control characters as \xHH, and a backslash is doubled only
// where it would otherwise be read as the start of one of these escapes (before \, n, r, x or
// a control character). Command templates with quotes and lone backslashes therefore read
// exactly as they are.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/AtomicFile.h"

namespace qv {

// The escaping of values described above.
std::string EscapeIniValue(const std::string& value);
std::string UnescapeIniValue(const std::string& text);

// Creates a directory and its missing parents with the given mode; true when it exists after.
bool MakeDirectories(const std::string& dir, unsigned mode);

class IniFile {
public:
    IniFile() = default;
    // Parses file contents.
    explicit IniFile(const std::string& contents);
    // Reads a file; a missing or unreadable file gives an empty one.
    static IniFile Load(const std::string& path);
    // Reads a file into `out`; a missing file gives an empty one. False when the file is there
    // but cannot be read completely, so that a caller about to rewrite it does not replace
    // contents it never saw.
    static bool TryLoad(const std::string& path, IniFile& out);

    // The value of a key; nothing when the section or the key is absent.
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Sets a key, adding the section and the key when absent. Returns false (changing nothing)
    // for names the format cannot hold: empty, with a line break, a section name with ']', a key
    // with '=' or beginning with '[', ';' or '#', and names with blanks at either end.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

    std::string Serialize() const;
    // Writes the file atomically with the given mode.
    bool Save(const std::string& path, unsigned mode) const;

private:
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        std::string name;   // section name (Section) or key (Entry)
        std::string value;  // unescaped value (Entry)
        std::string raw;    // the line as read (Other, Section)
    };
    std::vector<Line> lines_;
};

}  // namespace qv
