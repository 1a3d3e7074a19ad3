#include "platform/x11/XcbSupport.h"

#include <gtest/gtest.h>

// Server time wraps after 49.7 days; a request made just after the wrap is still newer.
TEST(XcbTimeTest, ComparisonSurvivesTheWrap) {
    struct Row {
        std::uint32_t time, since;
        bool atOrAfter;
    };
    for (const Row& row :
         {Row{1000, 1000, true}, Row{1001, 1000, true}, Row{999, 1000, false},
          Row{5, 0xfffffff0u, true}, Row{0xfffffff0u, 5, false}, Row{0x7fffffffu, 0, true}}) {
        EXPECT_EQ(XcbSupport::isAtOrAfter(row.time, row.since), row.atOrAfter)
            << row.time << " vs " << row.since;
    }
}
