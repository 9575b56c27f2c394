// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PulseSoundDevices.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>

namespace {

constexpr const char* kClientName = "MSK modem device list";
constexpr auto kServerTimeout = std::chrono::seconds(5);
constexpr int kIterationTimeoutMs = 100;  // one wait of the loop at most

struct Query {
    std::vector<SoundDevice>* devices = nullptr;
    bool done = false;
};

template <typename Info>
void collect(const Info* info, int eol, Query& query)
{
    if (eol != 0) {
        query.done = true;
        return;
    }
    if (info == nullptr)
        return;
    const char* description = info->description != nullptr ? info->description : info->name;
    query.devices->push_back({description != nullptr ? description : "", info->name != nullptr ? info->name : ""});
}

struct LoopDeleter {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextDeleter {
    void operator()(pa_context* context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

}  // namespace

bool PulseSoundDevices::list(SoundDirection direction, std::vector<SoundDevice>& devices, std::string& error)
{
    devices.clear();
    error.clear();
    const std::unique_ptr<pa_mainloop, LoopDeleter> loop(pa_mainloop_new());
    if (!loop) {
        error = "Out of memory";
        return false;
    }
    const std::unique_ptr<pa_context, ContextDeleter> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), kClientName));
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = context ? pa_strerror(pa_context_errno(context.get())) : "Out of memory";
        return false;
    }

    const auto deadline = std::chrono::steady_clock::now() + kServerTimeout;
    const auto step = [&] {
        return std::chrono::steady_clock::now() < deadline &&
               pa_mainloop_prepare(loop.get(), kIterationTimeoutMs * 1000) >= 0 && pa_mainloop_poll(loop.get()) >= 0 &&
               pa_mainloop_dispatch(loop.get()) >= 0;
    };

    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            error = pa_strerror(pa_context_errno(context.get()));
            return false;
        }
        if (!step()) {
            error = "The sound server does not answer";
            return false;
        }
    }

    Query query;
    query.devices = &devices;
    pa_operation* operation =
        direction == SoundDirection::Output
            ? pa_context_get_sink_info_list(
                  context.get(),
                  [](pa_context*, const pa_sink_info* info, int eol, void* data) {
                      collect(info, eol, *static_cast<Query*>(data));
                  },
                  &query)
            : pa_context_get_source_info_list(
                  context.get(),
                  [](pa_context*, const pa_source_info* info, int eol, void* data) {
                      collect(info, eol, *static_cast<Query*>(data));
                  },
                  &query);
    if (operation == nullptr) {
        error = pa_strerror(pa_context_errno(context.get()));
        return false;
    }
    while (!query.done && pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
        if (!step())
            break;
    pa_operation_unref(operation);
    if (!query.done) {
        devices.clear();
        error = "The sound server did not list its devices";
        return false;
    }
    return true;
}
