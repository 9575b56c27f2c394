// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortAudioErrorText.h"

#include <portaudio.h>

std::string portAudioErrorText(int paError)
{
    std::string text = Pa_GetErrorText(paError);
    if (paError == paUnanticipatedHostError) {
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        if (host != nullptr && host->errorText != nullptr && host->errorText[0] != '\0') {
            text += ": ";
            text += host->errorText;
        }
    }
    return text;
}
