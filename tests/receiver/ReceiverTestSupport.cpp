// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/receiver/ReceiverTestSupport.h"

#include "tests/support/PrivateSettings.h"

#include "tools/ModemEncode.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <samplerate.h>

#include <stdexcept>

std::vector<std::int16_t> RecordedTransmission(const std::string& text, int samplesPerBit, double recordRate,
                                               int idleUnits)
{
    const std::vector<std::int16_t> sent = modem::encodeTransmission(text, samplesPerBit, idleUnits);
    std::vector<float> in(sent.size());
    src_short_to_float_array(sent.data(), in.data(), static_cast<int>(sent.size()));
    const double ratio = recordRate / modem::kEncodeSampleRate;
    std::vector<float> out(static_cast<std::size_t>(static_cast<double>(sent.size()) * ratio) + 16);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    if (const int error = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1))
        throw std::runtime_error(src_strerror(error));
    std::vector<std::int16_t> recorded(static_cast<std::size_t>(data.output_frames_gen));
    src_float_to_short_array(out.data(), recorded.data(), static_cast<int>(recorded.size()));
    return recorded;
}

void UseFreshSettings()
{
    PointSettingsAtTestFolder();
    QSettings(QString::fromUtf8(ReceiverWindow::kSettingsOrganisation),
              QString::fromUtf8(ReceiverWindow::kSettingsApplication))
        .clear();
}
