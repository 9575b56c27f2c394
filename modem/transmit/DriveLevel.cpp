// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/DriveLevel.h"

#include <algorithm>
#include <cmath>

namespace drive {

int clampDb(int db)
{
    return std::clamp(db, kLowestDb, kFullDb);
}

double gainForDb(int db)
{
    db = clampDb(db);
    if (db == kFullDb)
        return 1.0;  // not left to pow: full drive is today's samples, bit for bit
    return std::pow(10.0, db / 20.0);
}

}  // namespace drive
