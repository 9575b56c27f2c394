// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The radio's PTT as a test sees it: keyed or not, and each change in a shared log.

#include "transmitter/PttKeyer.h"

#include <string>
#include <vector>

struct FakePttKeyer : PttKeyer {
    explicit FakePttKeyer(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    bool keyed = false;
    int keys = 0;
    int releases = 0;
    void key() override
    {
        keyed = true;
        ++keys;
        log->push_back("ptt key");
    }
    void release() override
    {
        keyed = false;
        ++releases;
        log->push_back("ptt release");
    }
};
