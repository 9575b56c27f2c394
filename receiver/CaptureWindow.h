// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the audio capture needs of the receiver window: the two buttons it changes
// and the close that ends the program after a capture failure. Called on the
// window thread only.

class CaptureWindow {
public:
    virtual ~CaptureWindow() = default;
    virtual void DisableStartButton() = 0;
    // After the device went away while recording: "Start" may open it again.
    virtual void EnableStartButton() = 0;
    // The pause/resume button's caption, "Stop" or "Start".
    virtual void SetToggleCaption(const char* caption) = 0;
    // Closes the window, which releases the device and ends the program.
    virtual void CloseWindow() = 0;
};
