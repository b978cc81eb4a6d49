// The minimised window's icon position.
#include <gtest/gtest.h>

#include "fw/icon_origin.h"

TEST(IconOrigin, CentredWithDivisionTowardZero) {
    struct Case {
        int client, icon, expected;
    };
    const Case cases[] = {{36, 32, 2}, {30, 32, 0}, {33, 32, 1}, {32, 32, 0}, {20, 32, -5}, {100, 16, 42}};
    for (const Case& c : cases) {
        const fw::Point p = fw::IconOrigin(c.client, c.client, c.icon, c.icon);
        EXPECT_EQ(p.x, c.expected) << c.client << " " << c.icon;
        EXPECT_EQ(p.y, c.expected) << c.client << " " << c.icon;
    }
}
