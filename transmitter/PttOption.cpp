// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/PttOption.h"

#include "transmitter/PttPort.h"
#include "transmitter/TransmitterWindow.h"

#include <cstdio>
#include <string_view>

std::optional<std::string> pttOptionText(int argc, char** argv, std::string& error)
{
    constexpr std::string_view kOption = "--ptt";
    std::optional<std::string> text;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == kOption) {
            if (i + 1 >= argc) {
                error = "--ptt needs a text, e.g. --ptt COM1 or --ptt rigctld:localhost:4532";
                return std::nullopt;
            }
            text = argv[++i];
        } else if (arg.substr(0, kOption.size() + 1) == "--ptt=") {
            text = std::string(arg.substr(kOption.size() + 1));
        }
    }
    return text;
}

bool applyPttOption(TransmitterWindow& window, int argc, char** argv)
{
    std::string error;
    const std::optional<std::string> text = pttOptionText(argc, argv, error);
    if (!error.empty()) {
        std::fprintf(stderr, "msk-transmitter: %s\n", error.c_str());
        return false;
    }
    if (text && !window.choosePttForThisRun(*text)) {
        std::fprintf(stderr, "msk-transmitter: --ptt %s\n", PttPort::parseChoice(*text).error.c_str());
        return false;
    }
    return true;
}
