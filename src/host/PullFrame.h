// The chunked pull frame that every ProcessStream call runs.
#pragma once

#include "host/HostContract.h"

// Asks the host's callback for one chunk of input. A callback that claims
// more than it was asked for counts as having delivered the request, so the
// caller never processes past the chunk.
inline uint32_t PullInput(StreamCallback callback, void* user, StreamBuffer* chunk) {
    const uint32_t asked = chunk->count;
    const uint32_t delivered = callback(user, chunk);
    return delivered < asked ? delivered : asked;
}

// Splits the host's request into whole chunks of `Limit` samples and a
// remainder and hands each to `runChunk(StreamBuffer*)`, which pulls and
// processes it and returns the count delivered. A request within the limit
// goes through as the host's own record. A short chunk ends the request: the
// result is the number of samples ready at the start of the host's arrays.
template <uint32_t Limit, typename RunChunk>
uint32_t RunPullFrame(StreamBuffer* request, RunChunk&& runChunk) {
    const uint32_t total = request->count;
    if (total <= Limit) return runChunk(request);

    const StreamBuffer host = *request;
    StreamBuffer chunk{};
    const auto pull = [&](uint32_t offset, uint32_t count) {
        chunk.count = count;
        chunk.left = host.left ? host.left + offset : nullptr;
        chunk.right = host.right ? host.right + offset : nullptr;
        return runChunk(&chunk);
    };

    const uint32_t wholeChunks = total / Limit;
    for (uint32_t k = 0; k < wholeChunks; ++k) {
        const uint32_t delivered = pull(k * Limit, Limit);
        if (delivered < Limit) return k * Limit + delivered;
    }
    const uint32_t done = wholeChunks * Limit;
    const uint32_t rest = total - done;
    if (rest == 0) return total;
    const uint32_t delivered = pull(done, rest);
    return delivered < rest ? done + delivered : total;
}
