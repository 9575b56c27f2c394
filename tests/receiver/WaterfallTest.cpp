// The waterfall: its spectrum of a tone and of a weak station in noise, the window
// drawing it with the marks of the chosen speed, a click tuning the receiver, and
// the "View" menu opening it and remembering that it was open.

#include "modem/dsp/WaterfallSpectrum.h"
#include "modem/receive/ReceiveDemodulator.h"
#include "receiver/ReceiverWindow.h"
#include "receiver/UpDown.h"
#include "receiver/WaterfallWindow.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <numbers>
#include <random>

namespace {

struct Rig : ReceiverRig {
    using ReceiverRig::ReceiverRig;

    // Opens the waterfall at 600 pixels across: 5 Hz a pixel.
    WaterfallWindow* openWaterfall()
    {
        window.waterfallAction()->trigger();
        WaterfallWindow* w = window.waterfall();
        w->resize(600, 260);
        return w;
    }
};

// Brightness per bin, averaged over the lines after the first `skip`.
struct AveragingSink : SpectrumLineSink {
    int skip = 0;
    int lines = 0;
    std::vector<double> sum = std::vector<double>(WaterfallSpectrum::kBins, 0.0);
    void AddSpectrumLine(const std::uint8_t* brightness, int bins) override
    {
        if (skip > 0) {
            --skip;
            return;
        }
        ++lines;
        for (int k = 0; k < bins; ++k)
            sum[static_cast<std::size_t>(k)] += brightness[k];
    }
    double mean(int firstBin, int lastBin) const
    {
        double s = 0;
        for (int k = firstBin; k <= lastBin; ++k)
            s += sum[static_cast<std::size_t>(k)];
        return s / (lastBin - firstBin + 1) / lines;
    }
};

std::int16_t Clip(double v)
{
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

int ColourColumn(const QImage& image, int y, QColor colour, bool last)
{
    int found = -1;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == colour) {
            found = x;
            if (!last)
                break;
        }
    return found;
}

}  // namespace

class WaterfallTest : public QObject {
    Q_OBJECT

private slots:
    // A 1500 Hz tone 21 dB above the noise in its bin lights the picture's
    // column at 1500 Hz, within one bin (3.9 Hz).
    void toneLightsItsColumn()
    {
        Rig rig;
        rig.window.show();
        WaterfallWindow* waterfall = rig.openWaterfall();
        QVERIFY(QTest::qWaitForWindowExposed(waterfall));
        rig.window.capture().StartCapture();
        // Hann-windowed, the tone's bin holds (A N / 4)^2 and a noise bin 3 N sigma^2 / 8
        // on average: with A = 450 and sigma = 1000 that is 341 x 0.2025 = 69, +18.4 dB
        // (+20 over the median the floor follows).
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0.0, 1000.0);
        std::vector<std::int16_t> samples(8000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = Clip(450.0 * std::sin(2.0 * std::numbers::pi * 1500.0 * static_cast<double>(i) / 8000.0) +
                              noise(random));
        rig.device.play(samples);

        const QImage picture = waterfall->grab().toImage();
        const int y = waterfall->pictureTop() + 1;
        int brightest = -1;
        int best = -1;
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c == WaterfallWindow::kCentreColour)
                continue;
            if (const int level = c.red() + c.green() + c.blue(); level > best) {
                best = level;
                brightest = x;
            }
        }
        QVERIFY2(std::abs(waterfall->frequencyAt(brightest) - 1500.0) <= 8000.0 / 2048,
                 qPrintable(QString::number(waterfall->frequencyAt(brightest))));
    }

    // A 31-baud station at -10 dB SNR in 2500 Hz stands plainly above the noise,
    // and the noise looks the same at any level.
    void weakStationShowsPlainlyAtAnyLevel()
    {
        const std::vector<std::int16_t> station = RecordedTransmission("cq cq de dl1abc dl1abc pse k", 1024);
        double power = 0;
        for (std::int16_t s : station)
            power += static_cast<double>(s) * s;
        power /= static_cast<double>(station.size());
        // SNR in 2500 Hz of the 4000 Hz band: P / (sigma^2 x 2500 / 4000) = 0.1, so
        // sigma^2 = 16 P.
        const double sigma = std::sqrt(16.0 * power);
        std::mt19937 random(11);
        std::normal_distribution<double> noise(0.0, 1.0);

        double noiseLevel[2] = {};
        for (int run = 0; run < 2; ++run) {
            const double scale = run == 0 ? 1.0 : 0.1;  // the same, 20 dB quieter
            AveragingSink sink;
            sink.skip = 3;  // the history fills
            WaterfallSpectrum spectrum(sink);
            for (std::int16_t s : station)
                spectrum.AddSample(Clip(scale * (s + sigma * noise(random))));
            // The tones at 1000 -+ 7.8 Hz fall in bins 254 and 258 (3.9 Hz a bin).
            const double signal = sink.mean(254, 258);
            noiseLevel[run] = sink.mean(400, 700);
            QVERIFY2(signal >= noiseLevel[run] + 40.0,
                     qPrintable(QStringLiteral("%1 against %2").arg(signal).arg(noiseLevel[run])));
        }
        QVERIFY(std::abs(noiseLevel[0] - noiseLevel[1]) < 3.0);
    }

    // The bracket spans centre -+ a quarter of the bit rate of the chosen speed,
    // the line stands at the centre; at 5 Hz a pixel, f sits in column floor(f / 5).
    void marksFollowTheSpeedOptions()
    {
        Rig rig;
        rig.window.show();
        WaterfallWindow* waterfall = rig.openWaterfall();
        QVERIFY(QTest::qWaitForWindowExposed(waterfall));
        const struct {
            int optionId;
            int low, high;
        } speeds[] = {
            {3000, 198, 201},  // 1000 -+ 7.8125: 992.19 / 5 = 198.4, 1007.81 / 5 = 201.6
            {3001, 196, 203},  // -+ 15.625: 196.9, 203.1
            {3002, 193, 206},  // -+ 31.25: 193.75, 206.25
            {3003, 187, 212},  // -+ 62.5: 187.5, 212.5
            {3004, 175, 225},  // -+ 125: 175, 225
        };
        const int legRow = WaterfallWindow::kRulerHeight - 2;
        for (const auto& speed : speeds) {
            QTest::mouseClick(ControlOf<QRadioButton>(rig.window, speed.optionId), Qt::LeftButton);
            const QImage picture = waterfall->grab().toImage();
            QCOMPARE(ColourColumn(picture, legRow, WaterfallWindow::kBracketColour, false), speed.low);
            QCOMPARE(ColourColumn(picture, legRow, WaterfallWindow::kBracketColour, true), speed.high);
            QCOMPARE(picture.pixelColor(200, waterfall->pictureTop() + 20), WaterfallWindow::kCentreColour);
        }
        // The AFC's mark only while the enhanced chain runs.
        QVERIFY(!waterfall->marks().afcShown);
        rig.window.enhancedAction()->trigger();
        rig.window.capture().StartCapture();
        rig.window.RefreshAfc();
        QVERIFY(waterfall->marks().afcShown);
        QCOMPARE(waterfall->marks().afcHz, 1000.0 + rig.window.receiveDemodulator().afcOffsetHz());
    }

    // A click tunes to the frequency under the pointer, rounded to 1 Hz and kept
    // inside 1 ... 3999 Hz; the label and the marks follow at once.
    void clickTunesToTheFrequencyUnderIt()
    {
        Rig rig;
        rig.window.show();
        WaterfallWindow* waterfall = rig.openWaterfall();
        QVERIFY(QTest::qWaitForWindowExposed(waterfall));
        // Column 300 spans 1500 ... 1505 Hz: its middle, 1502.5, rounds to 1503.
        QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(300, 120));
        QCOMPARE(ControlOf<QLabel>(rig.window, ReceiverWindow::kCentreLabelId)->text(), QStringLiteral("1503"));
        QCOMPARE(rig.window.settings().centreFrequency, 1503.0);
        QCOMPARE(waterfall->marks().centreHz, 1503.0);
        QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(0, 5));  // 2.5 Hz, on the ruler
        QCOMPARE(rig.window.settings().centreFrequency, 3.0);
        rig.window.TuneTo(0.4);
        QCOMPARE(rig.window.settings().centreFrequency, 1.0);
        rig.window.TuneTo(4200.0);
        QCOMPARE(rig.window.settings().centreFrequency, 3999.0);
    }

    // The ruler reads from "0" at the left edge to "3000 Hz" at the right, every
    // 500 Hz at 600 pixels, and at any width its labels stay inside the window,
    // in order and apart.
    void rulerLabelsNeverRunTogether()
    {
        WaterfallWindow waterfall;
        waterfall.resize(600, 260);
        QStringList texts;
        for (const RulerLabel& label : waterfall.rulerLabels())
            texts << label.text;
        QCOMPARE(texts.join(QLatin1Char(',')), QStringLiteral("0,500,1000,1500,2000,2500,3000 Hz"));
        for (int width = 20; width <= 2400; width += 7) {
            waterfall.resize(width, 260);
            const std::vector<RulerLabel> labels = waterfall.rulerLabels();
            const QString where = QStringLiteral("at %1 pixels").arg(width);
            QVERIFY2(width < 60 || labels.size() >= 2, qPrintable(where));
            for (std::size_t i = 0; i < labels.size(); ++i) {
                QVERIFY2(labels[i].rect.left() >= 0 && labels[i].rect.right() < width, qPrintable(where));
                if (i > 0)
                    QVERIFY2(labels[i].rect.left() > labels[i - 1].rect.right() + 4, qPrintable(where));
            }
            if (!labels.empty())
                QVERIFY2(labels.back().text.endsWith(QStringLiteral("Hz")), qPrintable(where));
            if (labels.size() >= 2) {
                QCOMPARE(labels.front().text, QStringLiteral("0"));
                QCOMPARE(labels.back().text, QStringLiteral("3000 Hz"));
            }
        }
        // The text is drawn: ruler-text pixels where the "0" stands.
        waterfall.resize(600, 260);
        const QImage picture = waterfall.grab().toImage();
        int lit = 0;
        for (int y = 0; y < WaterfallWindow::kRulerHeight; ++y)
            for (int x = 0; x < 8; ++x)
                lit += picture.pixelColor(x, y).lightness() > 120 ? 1 : 0;
        QVERIFY(lit > 3);
    }

    // A station 7 Hz above the centre, held by the AFC: the readout shows its
    // offset in full; a click within half the bit rate of it tunes to its centre as
    // the search measures it, to 0.1 Hz; a click further off tunes to the pixel.
    // Once the station is gone the readout says no station is held.
    void clickNearTheHeldStationTunesToIt()
    {
        Rig rig;
        rig.window.show();
        WaterfallWindow* waterfall = rig.openWaterfall();
        rig.window.enhancedAction()->trigger();
        QTest::mouseClick(ControlOf<QRadioButton>(rig.window, 3001), Qt::LeftButton);  // 63 baud: R / 2 = 62.5 / 2 = 31.25 Hz
        rig.window.TuneTo(993.0);
        rig.window.capture().StartCapture();
        rig.window.RefreshAfc();
        QCOMPARE(rig.window.afcReadout()->text(), QStringLiteral("AFC -"));
        QVERIFY(!rig.window.heldStationHz());
        // Not held: a click near the station goes to the pixel, column 200's middle.
        QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(200, 120));
        QCOMPARE(rig.window.settings().centreFrequency, 1003.0);  // 1002.5 rounds up
        rig.window.TuneTo(993.0);

        rig.device.play(RecordedTransmission("ryryry CQ CQ de DL1ABC DL1ABC pse k", 512));
        const std::optional<double> station = rig.window.heldStationHz();
        QVERIFY(station);
        const double offset = rig.window.receiveDemodulator().afcOffsetHz();
        QCOMPARE(*station, 993.0 + offset);
        QVERIFY2(std::abs(*station - 1000.0) < 1.0, qPrintable(QString::number(*station)));
        rig.window.RefreshAfc();
        QLabel* readout = rig.window.afcReadout();
        QCOMPARE(readout->text(), QString::asprintf("AFC %+.1f Hz", offset));
        // Never clipped: the label is as wide as its widest text and its margin.
        for (const char* widest : {"AFC -88.8 Hz", "AFC +88.8 Hz"})
            QVERIFY(readout->contentsRect().width() >= readout->fontMetrics().horizontalAdvance(QString::fromUtf8(widest)));
        QVERIFY(readout->geometry().right() < rig.window.menuBar()->width());

        // Column 202 (1010 ... 1015 Hz, middle 1012.5) is 12.5 Hz from the station.
        QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(202, 120));
        const double snapped = std::round(*station * 10.0) / 10.0;
        QCOMPARE(rig.window.settings().centreFrequency, snapped);
        QCOMPARE(ControlOf<QLabel>(rig.window, ReceiverWindow::kCentreLabelId)->text(),
                 QString::number(snapped, 'g', 15));
        QCOMPARE(waterfall->marks().centreHz, snapped);
        // The centre's steps go on in whole hertz from there.
        emit ControlOf<UpDown>(rig.window, ReceiverWindow::kCentreUpDownId)->deltaPos(-1);
        QCOMPARE(rig.window.settings().centreFrequency, std::round((snapped + 1.0) * 10.0) / 10.0);

        // Column 215 (1077.5 Hz) is further than 31.25 Hz from the station (at most
        // 1001 + 8 Hz now).
        QVERIFY(*rig.window.heldStationHz() < 1010.0);
        QTest::mouseClick(waterfall, Qt::LeftButton, {}, QPoint(215, 120));
        QCOMPARE(rig.window.settings().centreFrequency, 1078.0);

        // Silence: the station is gone, and so is the readout's value.
        rig.device.play(std::vector<std::int16_t>(8000 * 3, 0));
        rig.window.RefreshAfc();
        QCOMPARE(readout->text(), QStringLiteral("AFC -"));
    }

    // "Waterfall" opens the window; closing it unchecks the item; what it was when
    // the receiver closed is how the next start finds it.
    void viewMenuOpensTheWaterfallAndRemembersIt()
    {
        {
            Rig rig;
            rig.window.show();
            WaterfallWindow* waterfall = rig.openWaterfall();
            QVERIFY(waterfall->isVisible());
            QCOMPARE(waterfall->windowTitle(), QStringLiteral("Waterfall"));
            QVERIFY(waterfall->isWindow());
            waterfall->close();
            QVERIFY(!rig.window.waterfallAction()->isChecked());
        }
        {
            Rig rig(false);
            rig.window.show();
            QVERIFY(!rig.window.waterfall()->isVisible());
            rig.openWaterfall();
            rig.window.close();  // takes the waterfall with it, still remembered
            QVERIFY(!rig.window.waterfall()->isVisible());
        }
        Rig again(false);
        QVERIFY(again.window.waterfallAction()->isChecked());
        again.window.show();
        QVERIFY(again.window.waterfall()->isVisible());
    }
};

QTEST_MAIN(WaterfallTest)
#include "WaterfallTest.moc"
