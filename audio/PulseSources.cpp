#include "audio/PulseSources.h"

#include <pulse/pulseaudio.h>

#include <cstring>

namespace tickora {

namespace {

struct Query {
    PulseSourceList list;
    bool serverDone = false;
    bool sourcesDone = false;
};

void ServerInfo(pa_context* /*context*/, const pa_server_info* info, void* query) {
    auto* to = static_cast<Query*>(query);
    const bool pipeWire = info != nullptr && info->server_name != nullptr &&
                          std::strstr(info->server_name, "PipeWire") != nullptr;
    to->list.soundSystem = pipeWire ? "PipeWire" : "PulseAudio";
    to->serverDone = true;
}

void SourceInfo(pa_context* /*context*/, const pa_source_info* info, int last, void* query) {
    auto* to = static_cast<Query*>(query);
    if (last != 0) {
        to->sourcesDone = true;
        return;
    }
    if (info != nullptr && info->name != nullptr) {
        to->list.sources.push_back(
            {info->name, info->description != nullptr ? info->description : info->name});
    }
}

} // namespace

PulseSourceList ListPulseSources(std::chrono::milliseconds limit) {
    Query query;
    pa_mainloop* loop = pa_mainloop_new();
    if (loop == nullptr) {
        return {};
    }
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tickora");
    // Never start a server only to list its sources; a missing one fails here at once.
    bool failed = context == nullptr ||
                  pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool asked = false;
    while (!failed && !(query.serverDone && query.sourcesDone)) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            failed = true;
            break;
        }
        // One round of the loop, waiting no longer than the time left.
        if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0) {
            failed = true;
            break;
        }
        const pa_context_state_t state = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(state)) {
            failed = true;
        } else if (state == PA_CONTEXT_READY && !asked) {
            asked = true;
            pa_operation* server = pa_context_get_server_info(context, &ServerInfo, &query);
            pa_operation* sources = pa_context_get_source_info_list(context, &SourceInfo, &query);
            failed = server == nullptr || sources == nullptr;
            if (server != nullptr) {
                pa_operation_unref(server);
            }
            if (sources != nullptr) {
                pa_operation_unref(sources);
            }
        }
    }
    if (context != nullptr) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    if (failed) {
        return {};
    }
    return std::move(query.list);
}

} // namespace tickora
