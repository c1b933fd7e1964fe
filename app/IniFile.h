// A human-readable INI file of sections and keys, read and rewritten as a whole.
//
// File format: "[Section]" lines open a section; "Key=value" lines hold values; lines beginning
// with ';' or '#', blank lines and anything else are kept as they are. Section and key names
// compare without regard to ASCII letter case. Lines end with LF or CR LF; each line keeps the
// end it was read with, and lines added later take the end of the file's first line.
//
// Values have no escapes: a value is the text after the first '=' with the blanks and tabs
// around it removed, backslashes and all, so a hand-written "KEY = value" reads as "value". A
// value that begins or ends with a blank (or is itself enclosed in double quotes) is written
// enclosed in double quotes, and one pair of enclosing double quotes is removed on reading, so
// such values read back exactly. A value cannot hold a line break: Set refuses one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/AtomicFile.h"

namespace qv {

// How a value is written after the '=', and how the text after the '=' reads as a value.
std::string FormatIniValue(const std::string& value);
std::string ParseIniValue(const std::string& text);
// True when a value can be stored: it holds no line break (CR or LF).
bool IsStorableIniValue(const std::string& value);

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
    // for names the format cannot hold (empty, with a line break, a section name with ']', a key
    // with '=' or beginning with '[', ';' or '#', names with blanks at either end) and for a
    // value with a line break.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

    std::string Serialize() const;
    // Writes the file atomically with the given mode.
    bool Save(const std::string& path, unsigned mode) const;

private:
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        std::string name;   // section name (Section) or key (Entry)
        std::string value;  // the value (Entry)
        std::string raw;    // the line without its end
        bool crlf = false;  // ends with CR LF
    };
    bool NewLinesCrlf() const { return !lines_.empty() && lines_.front().crlf; }
    std::vector<Line> lines_;
};

}  // namespace qv
