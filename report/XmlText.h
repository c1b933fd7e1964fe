// Text as XML 1.0 character data or attribute values.
#pragma once

#include <string>

namespace qv {

// `text` (UTF-8) escaped for XML: "&", "<", ">" and in attribute values also quotes, tabs and
// line breaks as character references, so that a reader gets them back as they were. What XML 1.0
// does not allow (control characters, bytes that are not UTF-8, U+FFFE and U+FFFF) becomes U+FFFD.
std::string XmlEscaped(const std::string& text, bool attribute);

}  // namespace qv
