#include <gtest/gtest.h>

#include "tools/common/SelectList.h"

namespace {

using Names = std::vector<std::string>;

TEST(SelectListNames, NamesColumnsAsTheFileRepositoryDoes) {
    struct Case {
        std::string sql;
        Names names;
    } const cases[] = {
        {"SELECT A.ITEMNAME, PATHFULLNAME FROM T", {"ITEMNAME", "PATHFULLNAME"}},
        {"select envobjid from KESENVIRONMENT where X = 'a, b FROM c'", {"envobjid"}},
        {"SELECT cast (D.DATASIZE as\n char(12)), MAX(DISTINCT  V.ID) FROM V",
         {"cast (D.DATASIZE as\n char(12))", "MAX(DISTINCT  V.ID)"}},
        {"SELECT CREATOR.USERNAME AS CREATOR, COUNT(*) c, 1+2, x - y FROM T",
         {"CREATOR", "c", "1+2", "x - y"}},
        {"SELECT \"Quoted Name\", T.\"Col\", 'a' AS \"Alias\" FROM T",
         {"Quoted Name", "Col", "Alias"}},
        {"SELECT DISTINCT A, (SELECT MAX(B) FROM U WHERE U.X = T.X) AS M FROM T ORDER BY 1",
         {"A", "M"}},
        {"SELECT CASE WHEN A THEN 1 ELSE 2 END, B IS NULL FROM T",
         {"CASE WHEN A THEN 1 ELSE 2 END", "B IS NULL"}},
        {"  -- the items\n SELECT 2 AS two ;", {"two"}},
        {"SELECT 1 AS x -- the end", {"x"}},
        {"SELECT a /* first */, '--' AS b FROM T", {"a", "b"}},
        {"SELECT 1 AS ONE UNION ALL SELECT 2", {"ONE"}},
        {"SELECT NULL AS a, 1 AS b", {"a", "b"}},
        {"SELECT * FROM T", {}},
        {"SELECT T.* FROM T", {}},
        {"VALUES (1)", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(qv::tools::SelectListNames(c.sql), c.names) << c.sql;
}

}  // namespace
