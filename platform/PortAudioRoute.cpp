// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortAudioRoute.h"

#include <algorithm>

namespace {
constexpr int kChannels = 1;
constexpr const char* kPulsePluginName = "pulse";

// ALSA reads a plugin argument up to the next comma or closing brace; the server's
// names hold letters, digits, '.', '-', '_' and ':', which need no quoting, and
// quotes keep anything else (a space, say) in one piece.
std::string alsaArgument(const std::string& value)
{
    const bool plain = std::all_of(value.begin(), value.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
               c == '_';
    });
    if (plain)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
}  // namespace

std::string routePortAudioStream(const std::string& serverName, bool input, double minimumLatencySeconds,
                                 PortAudioRoute& route)
{
    PaStreamParameters& p = route.parameters;
    p.channelCount = kChannels;
    p.sampleFormat = paInt16;
    p.hostApiSpecificStreamInfo = nullptr;

    if (serverName.empty()) {
        p.device = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        route.info = p.device == paNoDevice ? nullptr : Pa_GetDeviceInfo(p.device);
        if (route.info == nullptr || (input ? route.info->maxInputChannels : route.info->maxOutputChannels) < kChannels)
            return input ? "No default recording device" : "No default playback device";
        route.deviceName = route.info->name != nullptr ? route.info->name : "";
    } else {
        const PaHostApiIndex alsa = Pa_HostApiTypeIdToHostApiIndex(paALSA);
        const PaHostApiInfo* api = alsa < 0 ? nullptr : Pa_GetHostApiInfo(alsa);
        if (api == nullptr)
            return "The sound server's devices are reached through ALSA, which PortAudio does not offer here";
        // The latencies of the plugin's own entry, else of ALSA's default device.
        for (int i = 0; i < api->deviceCount && route.info == nullptr; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(Pa_HostApiDeviceIndexToDeviceIndex(alsa, i));
            if (info != nullptr && info->name != nullptr && std::string(info->name) == kPulsePluginName)
                route.info = info;
        }
        if (route.info == nullptr && api->defaultOutputDevice >= 0)
            route.info = Pa_GetDeviceInfo(input ? api->defaultInputDevice : api->defaultOutputDevice);
        if (route.info == nullptr)
            return "ALSA's PulseAudio plugin is not installed";
        route.alsaName = std::string(kPulsePluginName) + ":DEVICE=" + alsaArgument(serverName);
        PaAlsa_InitializeStreamInfo(&route.alsa);
        route.alsa.deviceString = route.alsaName.c_str();
        p.device = paUseHostApiSpecificDeviceSpecification;
        p.hostApiSpecificStreamInfo = &route.alsa;
        route.deviceName = serverName;
    }
    p.suggestedLatency = std::max(input ? route.info->defaultLowInputLatency : route.info->defaultLowOutputLatency,
                                  minimumLatencySeconds);
    return {};
}
