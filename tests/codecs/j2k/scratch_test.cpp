#include <gtest/gtest.h>
#include "j2k_test_support.h"
TEST(Scratch, B)
{
    for (int budget : {0, 600, 1000, 1500, 2000, 3000}) {
    J2kTestSpec s;
    s.width = 23;
    s.height = 17;
    s.components = 3;
    s.tileWidth = 16;
    s.tileHeight = 16;
    s.resolutions = 3;
    s.layers = 2; s.budgets[0] = budget; s.precinctExp = 3;
    if (!budget) s.layers = 1;
        J2kCoded coded = J2kTestEncode(s);
        printf("budget %d -> %d\n", budget, coded.length);
    }
}
