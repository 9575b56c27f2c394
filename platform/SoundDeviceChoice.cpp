// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundDeviceChoice.h"

#include <QString>

#include <ostream>

namespace {

constexpr const char* kListOption = "--list-devices";
constexpr const char* kInputOption = "--input-device";
constexpr const char* kOutputOption = "--output-device";

void printCandidates(std::ostream& err, const std::vector<SoundDevice>& devices, const std::vector<std::size_t>& which)
{
    for (const std::size_t i : which)
        err << "  " << devices[i].description << '\n';
}

}  // namespace

SoundDeviceMatch matchSoundDevice(const std::string& text, const std::vector<SoundDevice>& devices)
{
    SoundDeviceMatch match;
    const QString wanted = QString::fromStdString(text);
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (QString::fromStdString(devices[i].description).contains(wanted, Qt::CaseInsensitive))
            match.matches.push_back(i);
    if (match.matches.size() == 1) {
        match.kind = SoundDeviceMatch::Unique;
        match.index = match.matches.front();
    } else {
        match.kind = match.matches.empty() ? SoundDeviceMatch::None : SoundDeviceMatch::Several;
    }
    return match;
}

std::optional<int> applySoundDeviceOptions(const std::vector<std::string>& arguments, SoundDirection direction,
                                           SoundDeviceList& list, const std::string& program, std::ostream& out,
                                           std::ostream& err, std::optional<SoundDevice>& chosen)
{
    const std::string option = direction == SoundDirection::Input ? kInputOption : kOutputOption;
    const char* const kind = direction == SoundDirection::Input ? "input" : "output";
    bool listing = false;
    std::optional<std::string> text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == kListOption) {
            listing = true;
        } else if (a == option) {
            if (i + 1 >= arguments.size()) {
                err << program << ": " << option << " needs part of a device's name (" << kListOption
                    << " shows them)\n";
                return kSoundOptionUsageError;
            }
            text = arguments[++i];
        } else if (a.rfind(option + "=", 0) == 0) {
            text = a.substr(option.size() + 1);
        }
    }
    if (!listing && !text)
        return std::nullopt;

    std::vector<SoundDevice> devices;
    std::string error;
    if (!list.list(direction, devices, error)) {
        err << program << ": the sound devices cannot be listed: " << error << '\n';
        return listing ? 1 : kSoundOptionUsageError;
    }
    if (listing) {
        for (const SoundDevice& device : devices)
            out << device.description << '\n';
        return 0;
    }
    const SoundDeviceMatch match = matchSoundDevice(*text, devices);
    if (match.kind == SoundDeviceMatch::Unique) {
        chosen = devices[match.index];
        return std::nullopt;
    }
    if (match.kind == SoundDeviceMatch::None) {
        err << program << ": no " << kind << " device's name contains \"" << *text << "\"; the " << kind
            << " devices are:\n";
        std::vector<std::size_t> all(devices.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = i;
        printCandidates(err, devices, all);
    } else {
        err << program << ": \"" << *text << "\" is part of the names of " << match.matches.size() << ' ' << kind
            << " devices; give more of the one you mean:\n";
        printCandidates(err, devices, match.matches);
    }
    return kSoundOptionUsageError;
}
