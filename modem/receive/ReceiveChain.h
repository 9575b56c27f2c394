// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receive chain without a window: settings, both demodulators (the one that
// settings.demodulator selects is heard), decoder and a text pane held in a
// string, wired as the receiver wires them.

#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/StringTextPane.h"
#include "modem/varicode/VaricodeDecoder.h"

#include <cstddef>
#include <cstdint>

class ReceiveChain {
public:
    ReceiveChain() = default;
    explicit ReceiveChain(const ReceiverSettings& start) : settings(start) {}
    // heardOnly: run only the chain the settings select (see ReceiveDemodulator).
    ReceiveChain(const ReceiverSettings& start, bool heardOnly) : settings(start)
    {
        if (heardOnly)
            demodulator.runHeardChainOnly();
    }
    ReceiveChain(const ReceiveChain&) = delete;
    ReceiveChain& operator=(const ReceiveChain&) = delete;

    // Samples at 8000 per second, in recording order.
    void feed(const std::int16_t* samples, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            demodulator.DemodulateSample(samples[i]);
    }
    const std::string& text() const { return pane.text(); }  // Windows-1252 bytes

    ReceiverSettings settings;
    StringTextPane pane;
    VaricodeDecoder decoder{pane};
    ReceiveDemodulator demodulator{settings, decoder, nullptr};
};
