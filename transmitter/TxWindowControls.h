// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a transmission changes in the transmitter window: the toggle's caption, the
// "PTT port" button, the five speed options, and the end of the window once the
// sound card has let go. Called on the window thread only, from the toggle, the
// close request and the sound card's notifications.

#include <string>

class TxWindowControls {
public:
    virtual ~TxWindowControls() = default;
    virtual void setToggleText(const std::string& text) = 0;
    virtual void setPttButtonEnabled(bool enabled) = 0;
    virtual void setModeOptionsEnabled(bool enabled) = 0;
    // Closes the window for good; the program ends with it.
    virtual void endWindow() = 0;
    // How often the sound ran dry in the over that runs or ran last; 0 at each
    // "Turn On" (nothing shown).
    virtual void showSoundRanDry(int /*times*/) {}
};
