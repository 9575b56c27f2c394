// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/SignalDisplay.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// Pixels as 0xRRGGBB.
constexpr QRgb kCyan = 0x00FFFF;
constexpr QRgb kYellow = 0xFFFF00;
constexpr QRgb kBlack = 0x000000;

struct ShownImages : DisplayTarget {
    std::vector<QImage> shown;
    void showDisplayImage(const QImage& image) override { shown.push_back(image); }
};

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

// One bit as the demodulator plots it: ticks 0, 4, 8, 12, all at d.
void plotBit(SignalDisplay& display, double d)
{
    for (int n : {0, 4, 8, 12})
        display.PlotPhasePoint(n, d);
}

// The demodulator's first point comes at tick 4; the first bit ends at the next tick 0.
void plotFirstBit(SignalDisplay& display, double d)
{
    for (int n : {4, 8, 12})
        display.PlotPhasePoint(n, d);
}

TEST(SignalDisplayTest, StartsBlackAndShowsNothingBeforeTheFirstBitEnds)
{
    ShownImages target;
    SignalDisplay display(&target);
    ASSERT_EQ(display.image().size(), QSize(128, 85));
    for (int y = 0; y < 85; ++y)
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(at(display.image(), x, y), kBlack);
    plotFirstBit(display, 0.375);
    EXPECT_TRUE(target.shown.empty());
    display.PlotPhasePoint(0, 0.375);
    EXPECT_EQ(target.shown.size(), 1u);  // once per bit, at tick 0 only
    plotBit(display, 0.375);
    EXPECT_EQ(target.shown.size(), 2u);
}

TEST(SignalDisplayTest, PointPositionRoundsHalfToEven)
{
    EXPECT_EQ(SignalDisplay::pixelX(0.375), 41);   // 60 - R(18.75) = 60 - 19
    EXPECT_EQ(SignalDisplay::pixelX(-0.375), 79);  // 60 + 19
    EXPECT_EQ(SignalDisplay::pixelX(1.0), 10);
    EXPECT_EQ(SignalDisplay::pixelX(-1.0), 110);
    EXPECT_EQ(SignalDisplay::pixelX(0.01), 60);    // R(0.5) = 0
    EXPECT_EQ(SignalDisplay::pixelX(0.03), 58);    // R(1.5) = 2
    EXPECT_EQ(SignalDisplay::pixelX(0.05), 58);    // R(2.5) = 2
    EXPECT_EQ(SignalDisplay::pixelX(-0.01), 60);   // R(-0.5) = 0
    // Values the demodulator only makes from nonsense settings stay drawable.
    EXPECT_EQ(SignalDisplay::pixelX(std::numeric_limits<double>::quiet_NaN()), 60);
    EXPECT_EQ(SignalDisplay::pixelX(1e300), 60 - 1000000);
}

// A steady tone: every trace is one vertical line through ticks 0..16.
void expectVerticalTrace(double d, int x)
{
    ShownImages target;
    SignalDisplay display(&target);
    plotFirstBit(display, d);
    for (int bit = 0; bit < 6; ++bit)
        plotBit(display, d);
    display.PlotPhasePoint(0, d);
    ASSERT_EQ(target.shown.size(), 7u);
    const QImage& shown = target.shown.back();
    for (int y = 25; y <= 57; ++y) {
        EXPECT_EQ(at(shown, x, y), kCyan) << "y " << y;
        EXPECT_NE(at(shown, x - 1, y), kCyan) << "y " << y;
        EXPECT_NE(at(shown, x + 1, y), kCyan) << "y " << y;
    }
    EXPECT_NE(at(shown, x, 24), kCyan);
    EXPECT_NE(at(shown, x, 58), kCyan);
}

TEST(SignalDisplayTest, SteadyTonesGiveVerticalTraces)
{
    expectVerticalTrace(0.375, 41);
    expectVerticalTrace(-0.375, 79);
    expectVerticalTrace(1.0, 10);
    expectVerticalTrace(-1.0, 110);
}

TEST(SignalDisplayTest, CrossCoversBothEndPoints)
{
    SignalDisplay display;
    plotFirstBit(display, 0.375);
    display.PlotPhasePoint(0, 0.375);
    const QImage& image = display.image();
    for (int y = 25; y <= 57; ++y)
        EXPECT_EQ(at(image, 60, y), kYellow) << "y " << y;
    for (int x = 10; x <= 110; ++x)  // drawn after the trace, so also over it at x = 41
        EXPECT_EQ(at(image, x, 41), kYellow) << "x " << x;
    EXPECT_EQ(at(image, 60, 24), kBlack);
    EXPECT_EQ(at(image, 60, 58), kBlack);
    EXPECT_EQ(at(image, 9, 41), kBlack);
    EXPECT_EQ(at(image, 111, 41), kBlack);
}

TEST(SignalDisplayTest, FirstTraceStartsAtTheCornerAndIsErasedFourBitsLater)
{
    ShownImages target;
    SignalDisplay display(&target);
    plotFirstBit(display, 1.0);
    display.PlotPhasePoint(0, 1.0);
    EXPECT_EQ(at(target.shown.back(), 0, 0), kCyan);
    for (int bit = 0; bit < 3; ++bit)
        plotBit(display, -1.0);
    ASSERT_EQ(target.shown.size(), 4u);
    EXPECT_EQ(at(target.shown.back(), 0, 0), kCyan);  // still one of the last four
    EXPECT_EQ(at(display.image(), 0, 0), kBlack);     // wiped right after the copy
}

TEST(SignalDisplayTest, EraseWipesTheTraceOfFourBitsAgoAndRedrawsTheCross)
{
    ShownImages target;
    SignalDisplay display(&target);
    // Bit 1 at x = 10, then bits at x = 20, 40, 80, 100 and 60: each trace runs
    // down its column from y = 25 to 49, then slants to the next bit's column.
    plotFirstBit(display, 1.0);
    for (double d : {0.8, 0.4, -0.4, -0.8, 0.0})
        plotBit(display, d);
    display.PlotPhasePoint(0, 0.0);  // ends the bit at x = 60

    // The copy shows the last four bits: x = 40, 80, 100 and 60. Row 41 of the
    // older ones lies under the cross, drawn again after each of them.
    const QImage& shown = target.shown.back();
    for (int y = 26; y <= 48; ++y) {
        EXPECT_EQ(at(shown, 60, y), kCyan) << y;
        EXPECT_NE(at(shown, 20, y), kCyan) << y;  // bit 2, erased a bit ago
        if (y == 41)
            continue;
        EXPECT_EQ(at(shown, 40, y), kCyan) << y;
        EXPECT_EQ(at(shown, 80, y), kCyan) << y;
        EXPECT_EQ(at(shown, 100, y), kCyan) << y;
    }

    // Then the bit at x = 40 is wiped; where it crossed the horizontal line the cross
    // is drawn again, and the newest trace on the vertical line lies under the cross.
    const QImage& image = display.image();
    for (int y = 26; y <= 48; ++y) {
        EXPECT_EQ(at(image, 60, y), kYellow) << y;
        if (y == 41)
            continue;
        EXPECT_EQ(at(image, 40, y), kBlack) << y;
        EXPECT_EQ(at(image, 80, y), kCyan) << y;
        EXPECT_EQ(at(image, 100, y), kCyan) << y;
    }
    for (int x : {40, 80, 100})
        EXPECT_EQ(at(image, x, 41), kYellow) << x;
}

TEST(SignalDisplayTest, PictureIsKeptWithoutATarget)
{
    SignalDisplay display(nullptr);
    plotFirstBit(display, -0.375);
    plotBit(display, -0.375);
    EXPECT_EQ(at(display.image(), 79, 45), kCyan);
}

}  // namespace
