// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ModemSensitivity.h"

#include "modem/receive/ReceiveChain.h"
#include "tools/ModemArgs.h"
#include "tools/ModemChannel.h"
#include "tools/ModemEncode.h"
#include "tools/SampleRateConverter.h"

#include <algorithm>
#include <numeric>

namespace modem {

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

SensitivityLink::SensitivityLink(std::string text, std::string_view baud)
    : text_(std::move(text)), tickRate_(tickRateForBaud(baud))
{
    const auto sent = convertSampleRate(encodeTransmission(text_, samplesPerBitForBaud(baud), kDefaultIdleUnits),
                                        kEncodeSampleRate, kCaptureSampleRate);
    clean_.assign(sent.begin(), sent.end());
}

SensitivityLink::Result SensitivityLink::run(double snrDb, std::uint64_t seed) const
{
    ChannelOptions channel;
    channel.snrDb = snrDb;
    channel.seed = seed;
    const std::vector<std::int16_t> heard = applyChannel(clean_, kCaptureSampleRate, channel);
    ReceiveChain chain;
    chain.settings.tickRate = tickRate_;
    chain.feed(heard.data(), heard.size());
    Result result{chain.text(), 0.0};
    result.characterErrorRate =
        static_cast<double>(editDistance(text_, result.received)) / static_cast<double>(std::max<std::size_t>(1, text_.size()));
    return result;
}

}  // namespace modem
