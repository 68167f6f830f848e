// The doctor's window fits a picture into its box: the picture's shape, never enlarged, centred.
#include <gtest/gtest.h>

#include "doctor/picture_fit.h"

TEST(FitPicture, KeepsTheShapeNeverEnlargesAndCentres)
{
    const struct {
        int cxPicture, cyPicture, x, y, cx, cy;
    } cases[] = {
        {800, 450, 0, 0, 480, 270},      // the program's output: exactly 0.6
        {1920, 1080, 0, 0, 480, 270},
        {800, 600, 60, 0, 360, 270},     // taller than the box
        {1000, 100, 0, 111, 480, 48},    // wider than the box
        {320, 240, 80, 15, 320, 240},    // small: 1:1
        {400, 100, 40, 85, 400, 100},
        {4000, 1, 0, 134, 480, 1},       // a sliver still shows
        {0, 450, 0, 0, 0, 0},            // no picture
    };
    for (const auto& c : cases) {
        const zelvix::doctor::FitRect r = zelvix::doctor::FitPicture(c.cxPicture, c.cyPicture, 480, 270);
        EXPECT_TRUE(r.x == c.x && r.y == c.y && r.cx == c.cx && r.cy == c.cy)
            << c.cxPicture << " x " << c.cyPicture << " fits at (" << r.x << ", " << r.y << ") " << r.cx << " x " << r.cy
            << ", expected (" << c.x << ", " << c.y << ") " << c.cx << " x " << c.cy;
    }
}
