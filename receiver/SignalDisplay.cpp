// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/SignalDisplay.h"

#include <QPainter>
#include <QPen>
#include <QPoint>

#include <algorithm>
#include <cmath>

const QColor SignalDisplay::kTraceColour{0, 255, 255};
const QColor SignalDisplay::kEraseColour{0, 0, 0};
const QColor SignalDisplay::kAxisColour{255, 255, 0};

namespace {

constexpr int kPenWidth = 1;  // pixels
// Far outside the image, but safe to convert to int.
constexpr double kPixelLimit = 1.0e6;

QPen solidPen(const QColor& colour)
{
    QPen pen(colour, kPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

}  // namespace

SignalDisplay::SignalDisplay(DisplayTarget* target)
    : target_(target), image_(kWidth, kHeight, QImage::Format_RGB32)
{
    image_.fill(Qt::black);
}

int SignalDisplay::pixelX(Real d)
{
    // The demodulator wraps d to -1..1; a NaN (from nonsense settings) is drawn on
    // the centre line rather than converted to an integer it has no value for.
    double v = static_cast<double>(kPixelsPerUnit * d);
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, -kPixelLimit, kPixelLimit);
    return kOriginX - static_cast<int>(std::nearbyint(v));
}

void SignalDisplay::PlotPhasePoint(int tickCounter, Real d)
{
    if (tickCounter == 0)
        drawBitEnd(d);
    const std::size_t point = static_cast<std::size_t>(tickCounter / (kTicksPerBit / (kTracePoints - 1)));
    if (point < kTracePoints - 1)
        traces_[static_cast<std::size_t>(current_)][point] = {pixelX(d), kOriginY + kPixelsPerTick * tickCounter};
}

void SignalDisplay::drawBitEnd(Real d)
{
    const auto polyline = [](QPainter& painter, const Trace& trace) {
        // A trace that is still all (0, 0) -- one never drawn, in the first four
        // bits -- has no length and leaves the picture as it is.
        if (std::all_of(trace.begin(), trace.end(), [&](const Point& p) { return p.x == trace[0].x && p.y == trace[0].y; }))
            return;
        std::array<QPoint, kTracePoints> points;
        for (std::size_t k = 0; k < trace.size(); ++k)
            points[k] = QPoint(trace[k].x, trace[k].y);
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    };

    Trace& ended = traces_[static_cast<std::size_t>(current_)];
    ended[kTracePoints - 1] = {pixelX(d), kOriginY + kPixelsPerTick * kTicksPerBit};
    {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(solidPen(kTraceColour));
        polyline(painter, ended);
    }
    if (target_)
        target_->showDisplayImage(image_);

    // The trace now current is the one drawn four bits ago: wipe it, then restore
    // the cross it may have crossed.
    current_ = (current_ + 1) % kTraces;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(solidPen(kEraseColour));
    polyline(painter, traces_[static_cast<std::size_t>(current_)]);
    painter.setPen(solidPen(kAxisColour));
    const int halfBit = kTicksPerBit / 2 * kPixelsPerTick;
    painter.drawLine(kOriginX, kOriginY, kOriginX, kOriginY + 2 * halfBit);
    painter.drawLine(kOriginX - kPixelsPerUnit, kOriginY + halfBit, kOriginX + kPixelsPerUnit, kOriginY + halfBit);
}
