#include <gtest/gtest.h>

#include "scm/Sql.h"

namespace {

TEST(SqlQuote, DoublesEverySingleQuoteOnly) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", ""},       {"Payroll", "Payroll"},   {"O'Brien", "O''Brien"},
        {"''", "''''"}, {"a\"b%s\\", "a\"b%s\\"}, {"x' OR '1'='1", "x'' OR ''1''=''1"},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::SqlQuote(c.in), c.out) << c.in;
}

TEST(FormatStatement, FillsPlaceholdersInOrder) {
    using qv::FormatStatement;
    EXPECT_EQ(FormatStatement("WHERE A = '%s' AND B = '%s' ", {"Pay'roll", "DEV"}),
              "WHERE A = 'Pay''roll' AND B = 'DEV' ");
    EXPECT_EQ(FormatStatement("P = %d AND V = %d", {42, 7}), "P = 42 AND V = 7");
    EXPECT_EQ(FormatStatement("V.%s = %d LIKE '%%.%%.1' )", {"ITEMOBJID", 17}),
              "V.ITEMOBJID = 17 LIKE '%.%.1' )");
    // A text given for %d reads like atoi; a number given for %s prints in decimal.
    EXPECT_EQ(FormatStatement("%d %d %d %s", {"12abc", "x3", " -4", 5L}), "12 0 -4 5");
    // Missing values: empty text and 0; unknown conversions stay.
    EXPECT_EQ(FormatStatement("'%s' %d %x %", {}), "'' 0 %x %");
    // A value is never read as a format.
    EXPECT_EQ(FormatStatement("'%s'", {"100%s %d"}), "'100%s %d'");
    std::string name = "it's";
    EXPECT_EQ(FormatStatement("'%s'", {name}), "'it''s'");
}

}  // namespace
