// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PTT lines a test scripts: each open, key and release is logged ("line open
// rigctld:host:4532", "line key", "line release") into a shared event list, and
// each can be made to fail with a reason.

#include "platform/PttLine.h"

#include <string>
#include <vector>

struct FakePttLines : PttLineFactory {
    explicit FakePttLines(std::vector<std::string>& log) : log(log) {}
    std::vector<std::string>& log;
    bool failOpen = false;
    int failKeys = 0;      // how many key commands fail from now on
    int failReleases = 0;  // how many release commands fail from now on
    bool keyed = false;
    int alive = 0;                     // lines not yet destroyed
    std::vector<PttMethod> made;
    std::vector<RigModel> models;  // what rigModels() offers
    std::vector<RigModel> rigModels() override { return models; }

    struct Line : PttLine {
        Line(FakePttLines& owner, const PttMethod& method) : owner(owner), method(method) { ++owner.alive; }
        ~Line() override
        {
            --owner.alive;
            owner.log.push_back("line gone");
        }
        FakePttLines& owner;
        PttMethod method;
        bool open(std::string& error) override
        {
            owner.log.push_back(owner.failOpen ? "line open failed" : "line open");
            error = "cannot reach it";
            return !owner.failOpen;
        }
        bool setKeyed(bool keyed, std::string& error) override
        {
            int& failures = keyed ? owner.failKeys : owner.failReleases;
            const std::string what = keyed ? "line key" : "line release";
            if (failures > 0) {
                --failures;
                owner.log.push_back(what + " failed");
                error = keyed ? "it would not key" : "it would not release";
                return false;
            }
            owner.keyed = keyed;
            owner.log.push_back(what);
            return true;
        }
    };

    std::unique_ptr<PttLine> make(const PttMethod& method) override
    {
        made.push_back(method);
        return std::make_unique<Line>(*this, method);
    }
};
