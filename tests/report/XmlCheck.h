// Checks of XML output with xmllint: validity against the JUnit schema next to this file, and the
// value of an XPath expression.
#pragma once

#include <string>

#include "tests/support/ToolRunner.h"

namespace qvtest {

inline constexpr char kXmllint[] = "/usr/bin/xmllint";

// The JUnit schema, found next to this header.
inline std::string JunitSchemaPath() {
    const std::string here = __FILE__;
    return here.substr(0, here.rfind('/') + 1) + "junit.xsd";
}

// Empty when `xml` is valid against the JUnit schema; else what xmllint says.
inline std::string JunitSchemaErrors(const std::string& xml) {
    const ToolResult r = RunProgram(kXmllint, {"--noout", "--schema", JunitSchemaPath(), "-"}, xml);
    return r.exitCode == 0 ? std::string() : "xmllint " + std::to_string(r.exitCode) + ": " + r.err;
}

// The value of an XPath expression over `xml` ("count(//testcase)", "string(//@name)").
inline std::string XPath(const std::string& xml, const std::string& expression) {
    const ToolResult r = RunProgram(kXmllint, {"--xpath", expression, "-"}, xml);
    if (r.exitCode != 0) return "xpath failed: " + r.err;
    // xmllint ends the value with a line feed of its own.
    return r.out.empty() || r.out.back() != '\n' ? r.out : r.out.substr(0, r.out.size() - 1);
}

}  // namespace qvtest
