// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a PortAudio stream goes: the system's default device, or one sound-server
// device named by the server (a PulseAudio sink or source, also under PipeWire's
// PulseAudio service). A named device is reached through ALSA's "pulse" plugin,
// which takes the device as its argument; PortAudio's own device list, which
// knows only "default", "pulse" and the raw cards, is not asked for it.
// Threads: the window thread, between Pa_Initialize and Pa_OpenStream.

#include <portaudio.h>
#include <pa_linux_alsa.h>

#include <string>

// Filled in place: parameters and alsa point into it, so it is never copied.
struct PortAudioRoute {
    PortAudioRoute() = default;
    PortAudioRoute(const PortAudioRoute&) = delete;
    PortAudioRoute& operator=(const PortAudioRoute&) = delete;

    PaStreamParameters parameters{};
    PaAlsaStreamInfo alsa{};
    std::string alsaName;                 // "pulse:DEVICE=..." for a named device
    const PaDeviceInfo* info = nullptr;  // the default latencies come from here
    std::string deviceName;               // for diagnostics
};

// Fills a fresh `route` for a mono 16-bit stream in the given direction with the latency
// asked for at least. Returns an empty text, or why there is no such route.
std::string routePortAudioStream(const std::string& serverName, bool input, double minimumLatencySeconds,
                                 PortAudioRoute& route);
