// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PortAudio's start without the sound libraries' own chatter. Pa_Initialize scans
// every device ALSA's configuration names (surround51, iec958, the JACK and OSS
// plugins, cards the machine never had) and ALSA and JACK print a line to standard
// error for each one that is not there: some eighty lines per start on an
// ordinary desktop, none of them a fault of this program. Their error printers are
// silenced for the scan and put back afterwards, so a device that fails when it
// is really opened is still reported by them, and PortAudio's result is returned
// as it is. Where the program is built without ALSA or JACK this is Pa_Initialize.
// Threads: the window thread, where the devices are opened.

// Pa_Initialize(), quietly; its result (a PaError).
int initialisePortAudioQuietly();
