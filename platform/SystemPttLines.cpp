// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemPttLines.h"

#include "platform/Cm108PttLine.h"
#include "platform/HamlibPttLine.h"

std::unique_ptr<PttLine> SystemPttLines::make(const PttMethod& method)
{
    if (method.kind == PttMethod::Kind::Cm108)
        return std::make_unique<Cm108PttLine>(method);
    return std::make_unique<HamlibPttLine>(method);
}

std::vector<RigModel> SystemPttLines::rigModels()
{
    return hamlibModels();
}
