// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PTT by CAT command through libhamlib: either straight to a rig on a serial port
// (the rig's Hamlib model number, its port and speed) or through a running
// rigctld, Hamlib's network rig daemon, which the station's logging program may
// share. Hamlib's own diagnostics stay off; its errors come back as text.
// Window thread only. A command to an absent rig blocks for Hamlib's timeout.

#include "platform/PttLine.h"

#include <string>
#include <vector>

struct s_rig;

class HamlibPttLine final : public PttLine {
public:
    explicit HamlibPttLine(const PttMethod& method);
    ~HamlibPttLine() override;
    HamlibPttLine(const HamlibPttLine&) = delete;
    HamlibPttLine& operator=(const HamlibPttLine&) = delete;

    bool open(std::string& error) override;
    bool setKeyed(bool keyed, std::string& error) override;

private:
    void close();
    PttMethod method_;
    s_rig* rig_ = nullptr;
};

// The rigs libhamlib knows, sorted by maker and name.
std::vector<RigModel> hamlibModels();
