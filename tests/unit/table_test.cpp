// tests/unit/table_test.cpp - names to colour codes.
#include <gtest/gtest.h>

#include "store/store.h"

TEST(Names, MatchPrefixesCaseSensitivelyAndNeverPastTheText)
{
    EXPECT_EQ(8, match_bc_string("white."));
    EXPECT_EQ(10, match_bc_string("White"));
    EXPECT_EQ(9, match_bc_string("empty"));
    EXPECT_EQ(1, match_bc_string("blueish"));
    EXPECT_EQ(10, match_bc_string("blu"));
    EXPECT_EQ(10, match_bc_string(""));
    EXPECT_EQ(4, match_bc_short_string("[gn][rd]"));
    EXPECT_EQ(9, match_bc_short_string("....|"));
    EXPECT_EQ(10, match_bc_short_string("[GN]"));
    EXPECT_EQ(10, match_bc_short_string("[gn"));
}
