#pragma once
// The "Waterfall" window: the spectrum of the recorded audio from 0 to 3000 Hz,
// newest line on top, with a frequency ruler above it, labelled from "0" to
// "3000 Hz" as densely as the width allows without two labels running together. On the ruler and through
// the picture it marks the centre frequency (a line), the two tones of the
// selected speed (a bracket from centre - bit rate / 4 to centre + bit rate / 4)
// and, with the enhanced demodulator, the frequency its AFC has found. A click
// anywhere asks to tune there. It only draws: the lines come from a
// WaterfallSpectrum, the marks and the axis's sample rate from the receiver
// window. Window thread only.

#include "modem/dsp/WaterfallSpectrum.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

struct WaterfallMarks {
    double centreHz = 1000.0;
    double halfWidthHz = 7.8125;  // a quarter of the bit rate
    bool afcShown = false;
    double afcHz = 0.0;           // where the AFC puts the signal: centre + offset
};

// One number on the ruler and where it is drawn.
struct RulerLabel {
    QString text;
    QRect rect;
};

class WaterfallWindow : public QWidget, public SpectrumLineSink {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Waterfall";
    static constexpr double kSpanHz = 3000.0;    // shown from 0 Hz up to this
    static constexpr int kHistoryLines = 600;    // a minute at ten lines a second
    static constexpr int kRulerHeight = 18;      // pixels above the picture
    static constexpr int kDefaultWidth = 600;    // pixels
    static constexpr int kDefaultHeight = 260;   // pixels

    static const QColor kCentreColour;
    static const QColor kBracketColour;
    static const QColor kAfcColour;

    explicit WaterfallWindow(QWidget* parent = nullptr);

    // SpectrumLineSink: one new line at the top.
    void AddSpectrumLine(const std::uint8_t* brightness, int bins) override;

    // The rate the bins' frequencies follow (the receiver's "Samplerate adjust").
    void setSampleRate(int samplesPerSecond);
    void setMarks(const WaterfallMarks& marks);
    const WaterfallMarks& marks() const { return marks_; }

    // The frequency under the middle of pixel column x, and the column that shows f.
    double frequencyAt(int x) const;
    int columnOf(double hz) const;
    // Top of the picture below the ruler.
    int pictureTop() const { return kRulerHeight; }
    // The ruler's labels at the present width, left to right.
    std::vector<RulerLabel> rulerLabels() const;

signals:
    // The operator clicked on this frequency (Hz, not yet rounded or bounded).
    void frequencyClicked(double hz);
    // The operator closed the window.
    void closedByOperator();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void drawRuler(QPainter& painter);
    void drawMarks(QPainter& painter);

    QImage history_;  // kBins wide, a ring of kHistoryLines rows; newest at head_
    int head_ = 0;
    int lines_ = 0;   // rows holding a line so far
    int sampleRate_ = 8000;
    WaterfallMarks marks_;
    std::array<QRgb, 256> palette_{};
};
