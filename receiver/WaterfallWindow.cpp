#include "receiver/WaterfallWindow.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

const QColor WaterfallWindow::kCentreColour{255, 0, 0};
const QColor WaterfallWindow::kBracketColour{0, 255, 0};
const QColor WaterfallWindow::kAfcColour{255, 0, 255};

namespace {

const QColor kRulerBackground{48, 48, 48};
const QColor kRulerText{210, 210, 210};
// Hz between the ruler's numbers: the smallest of these whose labels stand at
// least kLabelGapPx apart. Each divides the span, so "0" and "3000 Hz" are both
// among them.
constexpr double kLabelStepsHz[] = {100.0, 250.0, 500.0, 1000.0, 1500.0, 3000.0};
constexpr int kLabelGapPx = 12;
constexpr double kTickStepHz = 100.0;   // a small tick
constexpr int kTickHeight = 3;          // pixels
constexpr int kLabelFontPixels = 10;
const char* const kUnit = " Hz";        // after the last number

QFont LabelFont(const QFont& base)
{
    QFont labelFont = base;
    labelFont.setPixelSize(kLabelFontPixels);
    return labelFont;
}

// Brightness 0 ... 255 through black, blue, cyan, yellow to white.
struct Stop {
    int at;
    int r, g, b;
};
constexpr Stop kStops[] = {{0, 0, 0, 0}, {64, 0, 0, 150}, {128, 0, 170, 255}, {192, 255, 255, 0}, {255, 255, 255, 255}};

}  // namespace

WaterfallWindow::WaterfallWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), history_(WaterfallSpectrum::kBins, kHistoryLines, QImage::Format_RGB32)
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    resize(kDefaultWidth, kDefaultHeight);
    history_.fill(Qt::black);
    for (std::size_t s = 0; s + 1 < std::size(kStops); ++s) {
        const Stop& a = kStops[s];
        const Stop& b = kStops[s + 1];
        for (int i = a.at; i <= b.at; ++i) {
            const double t = static_cast<double>(i - a.at) / (b.at - a.at);
            palette_[static_cast<std::size_t>(i)] =
                qRgb(static_cast<int>(std::lround(a.r + t * (b.r - a.r))), static_cast<int>(std::lround(a.g + t * (b.g - a.g))),
                     static_cast<int>(std::lround(a.b + t * (b.b - a.b))));
        }
    }
}

void WaterfallWindow::AddSpectrumLine(const std::uint8_t* brightness, int bins)
{
    head_ = (head_ + kHistoryLines - 1) % kHistoryLines;
    lines_ = std::min(lines_ + 1, kHistoryLines);
    auto* row = reinterpret_cast<QRgb*>(history_.scanLine(head_));
    const int n = std::min(bins, history_.width());
    for (int k = 0; k < n; ++k)
        row[k] = palette_[brightness[k]];
    update();
}

void WaterfallWindow::setSampleRate(int samplesPerSecond)
{
    if (samplesPerSecond > 0 && samplesPerSecond != sampleRate_) {
        sampleRate_ = samplesPerSecond;
        update();
    }
}

void WaterfallWindow::setMarks(const WaterfallMarks& marks)
{
    marks_ = marks;
    update();
}

double WaterfallWindow::frequencyAt(int x) const
{
    return (x + 0.5) * kSpanHz / std::max(width(), 1);
}

int WaterfallWindow::columnOf(double hz) const
{
    return static_cast<int>(std::floor(hz * width() / kSpanHz));
}

void WaterfallWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);

    // Bin k sits at k x rate / FFT size Hz: its column of the history is drawn
    // centred there, so the picture starts half a bin left of 0 Hz.
    const double binsAcross = kSpanHz * WaterfallSpectrum::kFftSize / sampleRate_;
    const double pixelsPerBin = width() / binsAcross;
    const double bins = std::min(binsAcross, static_cast<double>(history_.width()));
    const double left = -0.5 * pixelsPerBin;
    const double pictureWidth = bins * pixelsPerBin;
    const int rows = std::min(lines_, height() - kRulerHeight);
    const int firstPart = std::min(rows, kHistoryLines - head_);
    if (firstPart > 0)
        painter.drawImage(QRectF(left, kRulerHeight, pictureWidth, firstPart), history_,
                          QRectF(0, head_, bins, firstPart));
    if (rows > firstPart)
        painter.drawImage(QRectF(left, kRulerHeight + firstPart, pictureWidth, rows - firstPart), history_,
                          QRectF(0, 0, bins, rows - firstPart));

    drawRuler(painter);
    drawMarks(painter);
}

std::vector<RulerLabel> WaterfallWindow::rulerLabels() const
{
    const QFontMetrics metrics(LabelFont(font()));
    const int textHeight = kRulerHeight - kTickHeight;
    for (double step : kLabelStepsHz) {
        // "0" starts at the left edge, the last label ends at the right one, the
        // others stand centred over their frequency.
        std::vector<RulerLabel> labels;
        const int count = static_cast<int>(std::lround(kSpanHz / step));
        for (int i = 0; i <= count; ++i) {
            const double f = i * step;
            const QString text = QString::number(f, 'f', 0) + (i == count ? QString::fromUtf8(kUnit) : QString());
            const int w = metrics.horizontalAdvance(text);
            const int x = i == 0 ? 0 : i == count ? width() - w : columnOf(f) - w / 2;
            labels.push_back({text, QRect(x, 0, w, textHeight)});
        }
        bool apart = labels.front().rect.left() >= 0;
        for (std::size_t i = 1; i < labels.size(); ++i)
            apart = apart && labels[i].rect.left() - labels[i - 1].rect.right() > kLabelGapPx;
        if (apart)
            return labels;
    }
    // Too narrow for "0" and "3000 Hz" apart: the unit alone, if even that fits.
    const QString unit = QString::fromUtf8(kUnit).trimmed();
    const int w = metrics.horizontalAdvance(unit);
    if (w > width())
        return {};
    return {{unit, QRect(width() - w, 0, w, textHeight)}};
}

void WaterfallWindow::drawRuler(QPainter& painter)
{
    painter.fillRect(0, 0, width(), kRulerHeight, kRulerBackground);
    painter.setPen(kRulerText);
    painter.setFont(LabelFont(font()));
    for (double f = kTickStepHz; f < kSpanHz; f += kTickStepHz) {
        const int x = columnOf(f);
        painter.drawLine(x, kRulerHeight - kTickHeight, x, kRulerHeight - 1);
    }
    for (const RulerLabel& label : rulerLabels())
        painter.drawText(label.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label.text);
}

void WaterfallWindow::drawMarks(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The bracket over the two tones, in the ruler's lower half.
    const int low = columnOf(marks_.centreHz - marks_.halfWidthHz);
    const int high = columnOf(marks_.centreHz + marks_.halfWidthHz);
    const int bracketTop = kRulerHeight / 2;
    painter.setPen(QPen(kBracketColour, 1));
    painter.drawLine(low, bracketTop, low, kRulerHeight - 1);
    painter.drawLine(high, bracketTop, high, kRulerHeight - 1);
    painter.drawLine(low, bracketTop, high, bracketTop);

    if (marks_.afcShown) {
        const int x = columnOf(marks_.afcHz);
        painter.setPen(QPen(kAfcColour, 1, Qt::DashLine));
        painter.drawLine(x, bracketTop, x, height() - 1);
    }
    const int centre = columnOf(marks_.centreHz);
    painter.setPen(QPen(kCentreColour, 1));
    painter.drawLine(centre, 0, centre, height() - 1);
}

void WaterfallWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit frequencyClicked(frequencyAt(event->position().toPoint().x()));
}

void WaterfallWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closedByOperator();
}
