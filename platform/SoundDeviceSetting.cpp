// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundDeviceSetting.h"

#include <QSettings>
#include <QString>

#include <utility>

SoundDeviceSetting::SoundDeviceSetting(SoundDirection direction, QSettings& store, SoundDeviceList& list,
                                       SoundDeviceChooser& chooser, OperatorMessages& messages,
                                       std::string messageTitle)
    : direction_(direction), store_(store), list_(list), chooser_(chooser), messages_(messages),
      messageTitle_(std::move(messageTitle))
{
}

std::string SoundDeviceSetting::description() const
{
    return current_.serverName.empty() ? kDefaultName : current_.description;
}

void SoundDeviceSetting::start(const std::optional<SoundDevice>& fromCommandLine)
{
    if (fromCommandLine) {
        current_ = *fromCommandLine;  // listed a moment ago
        return;
    }
    current_.serverName = store_.value(QString::fromLatin1(kServerNameKey)).toString().toStdString();
    current_.description = store_.value(QString::fromLatin1(kDescriptionKey)).toString().toStdString();
    if (current_.description.empty())
        current_.description = current_.serverName;
    checkPresent();
}

bool SoundDeviceSetting::isListed(std::string& error)
{
    std::vector<SoundDevice> devices;
    if (!list_.list(direction_, devices, error))
        return false;
    for (const SoundDevice& device : devices)
        if (device.serverName == current_.serverName) {
            current_.description = device.description;  // the desktop may have renamed it
            return true;
        }
    return false;
}

bool SoundDeviceSetting::checkPresent()
{
    if (current_.serverName.empty())
        return true;
    std::string error;
    if (isListed(error))
        return true;
    tellMissing(error);
    return false;
}

void SoundDeviceSetting::tellMissing(const std::string& error)
{
    std::string text = "The sound device \"" + current_.description + "\" is not there";
    if (!error.empty())
        text += " (the sound devices cannot be listed: " + error + ")";
    text += ". Plug it in, or choose another with Station > Sound device.";
    messages_.showMessage(messageTitle_, text, MessageIcon::Exclamation);
}

bool SoundDeviceSetting::choose()
{
    std::vector<SoundDevice> devices;
    std::string error;
    if (!list_.list(direction_, devices, error)) {
        messages_.showMessage(messageTitle_, "The sound devices cannot be listed: " + error, MessageIcon::Exclamation);
        return false;
    }
    std::vector<std::string> names{kDefaultName};
    int current = 0;
    for (const SoundDevice& device : devices) {
        if (device.serverName == current_.serverName)
            current = static_cast<int>(names.size());
        names.push_back(device.description);
    }
    const char* const label = direction_ == SoundDirection::Input ? "Record the radio's audio from:"
                                                                  : "Play the signal to the radio through:";
    const int chosen = chooser_.choose("Sound device", label, names, current);
    if (chosen < 0 || chosen >= static_cast<int>(names.size()) || chosen == current)
        return false;
    current_ = chosen == 0 ? SoundDevice{} : devices[static_cast<std::size_t>(chosen - 1)];
    store_.setValue(QString::fromLatin1(kServerNameKey), QString::fromStdString(current_.serverName));
    store_.setValue(QString::fromLatin1(kDescriptionKey), QString::fromStdString(current_.description));
    return true;
}
