#include <gtest/gtest.h>

#include "engine/SavedList.h"

namespace qv {
namespace {

TEST(ListDataLine, CutsCellsDropsLineBreaksAndWritesEmptyCellsAsOneBlank) {
    struct Case {
        std::vector<std::string> cells;
        std::string line;
    } cases[] = {
        {{"a", "", "b"}, "a, ,b,\r\n"},
        {{"x\r\ny", "\n"}, "xy, ,\r\n"},
        {{std::string(300, 'q')}, std::string(255, 'q') + ",\r\n"},
        // The cut comes first: a line break beyond the 255th character is not counted.
        {{std::string(254, 'q') + "\n" + "rest"}, std::string(254, 'q') + ",\r\n"},
        {{}, "\r\n"},
        // Commas and double quotes: quoted, inner quotes doubled, after the cut.
        {{"vat,2024.cpp", "say \"hi\"", "\"", std::string(300, ',')},
         "\"vat,2024.cpp\",\"say \"\"hi\"\"\",\"\"\"\"," + ('"' + std::string(255, ',') + '"') +
             ",\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(ListDataLine(c.cells), c.line);
}

}  // namespace
}  // namespace qv
