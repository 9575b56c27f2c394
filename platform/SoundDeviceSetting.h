// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which sound device a program uses, as the operator chose it: the system's
// default until a device is chosen in the window ("Sound device..."), which is then
// remembered; a device named on the command line holds for that run only. A
// remembered device that is absent is never swapped for another: the operator is
// told its name, at start and again at each attempt to open it.
// Threads: the window thread.

#include "platform/OperatorMessages.h"
#include "platform/SoundDevices.h"

#include <optional>
#include <string>
#include <vector>

class QSettings;

// Asks the operator for one of the names; returns its index, or -1 when cancelled.
class SoundDeviceChooser {
public:
    virtual ~SoundDeviceChooser() = default;
    virtual int choose(const std::string& title, const std::string& label, const std::vector<std::string>& names,
                       int current) = 0;
};

class SoundDeviceSetting {
public:
    static constexpr const char* kDefaultName = "System default";
    static constexpr const char* kServerNameKey = "sound/device";
    static constexpr const char* kDescriptionKey = "sound/description";

    SoundDeviceSetting(SoundDirection direction, QSettings& store, SoundDeviceList& list, SoundDeviceChooser& chooser,
                       OperatorMessages& messages, std::string messageTitle);

    // At start: the command line's device, else the remembered one (the operator is
    // told when it is not there), else the default.
    void start(const std::optional<SoundDevice>& fromCommandLine);
    // "Sound device...": lists the devices, asks, remembers. true when it changed.
    bool choose();
    // Before a device is opened: true when the chosen device is there (the default
    // always is); otherwise the operator has been told which one is missing.
    bool checkPresent();

    // The sound server's name to open; empty for the default.
    const std::string& serverName() const { return current_.serverName; }
    // The name the operator knows it by.
    std::string description() const;

private:
    bool isListed(std::string& error);
    void tellMissing(const std::string& error);

    SoundDirection direction_;
    QSettings& store_;
    SoundDeviceList& list_;
    SoundDeviceChooser& chooser_;
    OperatorMessages& messages_;
    std::string messageTitle_;
    SoundDevice current_;
};
