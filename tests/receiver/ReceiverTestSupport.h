// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the receiver's window tests: remembered choices kept away from the
// operator's own, a volume control that counts its starts, a window on stand-ins,
// finding a control by its id, and a transmission as the sound card would record it at 8000 samples
// per second.

#include "platform/VolumeControl.h"
#include "receiver/ReceiverWindow.h"
#include "tests/fakes/FakeAudioInputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

// Points the receiver's remembered choices (QSettings) at a folder of this test
// run, never the operator's, and forgets them: the next window starts as at its
// very first start.
void UseFreshSettings();
struct FakeVolumeControl : VolumeControl {
    std::vector<VolumeView> started;
    void start(VolumeView view) override { started.push_back(view); }
};

// A receiver window on stand-ins, as at its very first start; made with false, it
// finds the menu choices an earlier window left.
struct ReceiverRig {
    struct Settings {
        explicit Settings(bool fresh)
        {
            if (fresh)
                UseFreshSettings();
        }
    };

    explicit ReceiverRig(bool firstStart = true) : settings(firstStart) {}

    Settings settings;  // before the window reads them
    FakeAudioInputDevice device;
    FakeOperatorMessages messages;
    FakeVolumeControl volume;
    ReceiverWindow window{device, messages, volume};
};

template <class T>
T* ControlOf(const ReceiverWindow& window, int id)
{
    return qobject_cast<T*>(window.control(id));
}

// The samples a transmitter plays for `text` (Windows-1252) at samplesPerBit of its
// 32000 samples/s, resampled to what a sound card clocked at recordRate records.
std::vector<std::int16_t> RecordedTransmission(const std::string& text, int samplesPerBit,
                                               double recordRate = 8000.0, int idleUnits = 4);

// Pixels of this colour in the image.
inline int CountPixels(const QImage& image, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                ++n;
    return n;
}
