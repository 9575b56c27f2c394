// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real PTT lines: Hamlib for rigctld and CAT, hidraw for a CM108 interface.

#include "platform/PttLine.h"

class SystemPttLines final : public PttLineFactory {
public:
    std::unique_ptr<PttLine> make(const PttMethod& method) override;
    std::vector<RigModel> rigModels() override;  // Hamlib's
};
