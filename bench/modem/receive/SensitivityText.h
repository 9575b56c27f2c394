// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plain text sent in the sensitivity measurements: 500 characters of ordinary
// English as an operator types it, letters, digits and punctuation, no line ends.

inline constexpr const char* kSensitivityText =
    "Good evening and thanks for the call. Your signal is steady here with a little "
    "fading now and then. The rig is a small transceiver running about twenty watts "
    "into a dipole strung between the house and an old apple tree, some ten metres up. "
    "The weather has been wet all week, 12 degrees tonight, so the antenna work will "
    "have to wait until spring. I have been on the air since 1987, mostly on the low "
    "bands, and keyboard modes are a new joy for me. Please send your QTH and name "
    "again; QSB took them. 73 and good DX!";
