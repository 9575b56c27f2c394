#pragma once
// The scope: the phase-difference trace of each of the last four bits over a
// yellow cross, drawn into a 128 x 85 raster image that is created black and never
// cleared. Time runs down (2 pixels per tick), the offset sideways (50 pixels per
// unit of d; a 1 bit left of the centre line, a 0 bit right of it).

#include "BitDecisionSink.h"

#include <QImage>

#include <array>

// Receives a copy of the image once per bit, right after the new trace is drawn.
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

    explicit SignalDisplay(DisplayTarget* target = nullptr);
    void PlotPhasePoint(int tickCounter, Real d) override;
    const QImage& image() const { return image_; }

private:
    struct Point { int x = 0; int y = 0; };
    using Trace = std::array<Point, 5>;
    // (helper fills in the rest)
    DisplayTarget* target_;
    QImage image_;
    std::array<Trace, 4> traces_{};
    int current_ = 0;
};
