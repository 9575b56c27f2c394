// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QuietDeviceScan.h"

#include <portaudio.h>

#ifdef MSK_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef MSK_HAVE_JACK
#include <jack/jack.h>
#endif

namespace {

#ifdef MSK_HAVE_ALSA
extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
#endif
#ifdef MSK_HAVE_JACK
extern "C" void ignoreJackMessage(const char*) {}
#endif

// Silences the printers while it lives; each is put back only where nobody else
// has replaced it meanwhile (PortAudio's JACK support may install its own).
class SilencedPrinters {
public:
    SilencedPrinters()
    {
#ifdef MSK_HAVE_ALSA
        alsaBefore_ = snd_lib_error;
        snd_lib_error_set_handler(ignoreAlsaError);
#endif
#ifdef MSK_HAVE_JACK
        jackErrorBefore_ = jack_error_callback;
        jack_set_error_function(ignoreJackMessage);
#ifdef MSK_HAVE_JACK_INFO_FUNCTION
        jackInfoBefore_ = jack_info_callback;
        jack_set_info_function(ignoreJackMessage);
#endif
#endif
    }
    ~SilencedPrinters()
    {
#ifdef MSK_HAVE_ALSA
        if (snd_lib_error == ignoreAlsaError)
            snd_lib_error_set_handler(alsaBefore_);
#endif
#ifdef MSK_HAVE_JACK
        if (jack_error_callback == ignoreJackMessage)
            jack_set_error_function(jackErrorBefore_);
#ifdef MSK_HAVE_JACK_INFO_FUNCTION
        if (jack_info_callback == ignoreJackMessage)
            jack_set_info_function(jackInfoBefore_);
#endif
#endif
    }
    SilencedPrinters(const SilencedPrinters&) = delete;
    SilencedPrinters& operator=(const SilencedPrinters&) = delete;

private:
#ifdef MSK_HAVE_ALSA
    snd_lib_error_handler_t alsaBefore_ = nullptr;
#endif
#ifdef MSK_HAVE_JACK
    void (*jackErrorBefore_)(const char*) = nullptr;
#ifdef MSK_HAVE_JACK_INFO_FUNCTION
    void (*jackInfoBefore_)(const char*) = nullptr;
#endif
#endif
};

}  // namespace

int initialisePortAudioQuietly()
{
    const SilencedPrinters quiet;
    return Pa_Initialize();
}
