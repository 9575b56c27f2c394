// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope: the phase-difference trace of each of the last four bits over a
// yellow cross, drawn into a 128 x 85 raster image that is created black and never
// cleared. Time runs down (2 pixels per tick), the offset sideways (50 pixels per
// unit of d; a 1 bit left of the centre line, a 0 bit right of it).
//
// Lines are drawn aliased with one-pixel solid pens and include both end points,
// so every plotted point is lit and the cross is symmetric about its centre:
// the vertical line covers y = 25..57, the horizontal one x = 10..110.
// Window thread only.

#include "modem/receive/BitDecisionSink.h"

#include <QColor>
#include <QImage>

#include <array>

// Receives a copy of the image once per bit, right after the new trace is drawn.
// Called on the window thread from inside PlotPhasePoint.
class DisplayTarget {
public:
    virtual ~DisplayTarget() = default;
    virtual void showDisplayImage(const QImage& image) = 0;
};

class SignalDisplay : public PhasePointSink {
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 85;
    static constexpr int kOriginX = 60;
    static constexpr int kOriginY = 25;
    static constexpr int kPixelsPerUnit = 50;  // sideways, per unit of d (pi radians)
    static constexpr int kPixelsPerTick = 2;   // downwards
    static constexpr int kTicksPerBit = 16;
    static constexpr int kTracePoints = 5;     // ticks 0, 4, 8, 12 and the next 0
    static constexpr int kTraces = 4;          // bits on screen

    static const QColor kTraceColour;  // cyan
    static const QColor kEraseColour;  // black
    static const QColor kAxisColour;   // yellow

    explicit SignalDisplay(DisplayTarget* target = nullptr);
    void PlotPhasePoint(int tickCounter, Real d) override;
    const QImage& image() const { return image_; }

    // x of a point: X0 - R(50 d), R rounding half to even.
    static int pixelX(Real d);

private:
    struct Point { int x = 0; int y = 0; };
    using Trace = std::array<Point, kTracePoints>;

    void drawBitEnd(Real d);

    DisplayTarget* target_;
    QImage image_;
    std::array<Trace, kTraces> traces_{};
    int current_ = 0;
};
