#include "report/XmlText.h"

namespace qv {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `i`, or 0 for a byte that begins none;
// `allowed` tells whether XML allows the character it encodes.
size_t Sequence(const std::string& s, size_t i, bool& allowed) {
    allowed = true;
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    size_t n;
    unsigned cp;
    if (b < 0x80) {
        allowed = b >= 0x20 || b == '\t' || b == '\n' || b == '\r';
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, cp = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, cp = b & 0x0Fu;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, cp = b & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms and what lies past U+10FFFF are no UTF-8; surrogates, U+FFFE and U+FFFF
    // are no XML characters.
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF) return 0;
    allowed = !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF;
    return n;
}

}  // namespace

std::string XmlEscaped(const std::string& text, bool attribute) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        bool allowed = false;
        const size_t n = Sequence(text, i, allowed);
        if (n == 0 || !allowed) {
            out += kReplacement;
            i += n == 0 ? 1 : n;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        const char c = text[i++];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\'':
                out += attribute ? "&apos;" : "'";
                break;
            case '\t':
                out += attribute ? "&#9;" : "\t";
                break;
            case '\n':
                out += attribute ? "&#10;" : "\n";
                break;
            case '\r':
                // A reader turns a carriage return of the text into a line feed.
                out += "&#13;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace qv
