// A minimal host for tests: feeds a prepared signal through the stream
// callback and collects what the plug-in returns.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/HostContract.h"

struct SignalSource {
    SignalSource() = default;
    SignalSource(std::vector<double> l, std::vector<double> r)
        : left(std::move(l)), right(std::move(r)) {}

    std::vector<double> left;
    std::vector<double> right;  // empty for mono
    size_t position = 0;
    // Delivers at most this many samples per callback (short chunks).
    uint32_t deliverAtMost = UINT32_MAX;
    std::vector<uint32_t> requests;  // count of every callback request

    static uint32_t Callback(void* user, StreamBuffer* buffer) {
        auto& self = *static_cast<SignalSource*>(user);
        self.requests.push_back(buffer->count);
        const size_t available = self.left.size() - self.position;
        const uint32_t n =
            static_cast<uint32_t>(std::min<size_t>({buffer->count, available, self.deliverAtMost}));
        std::copy_n(self.left.begin() + self.position, n, buffer->left);
        if (buffer->right && !self.right.empty())
            std::copy_n(self.right.begin() + self.position, n, buffer->right);
        self.position += n;
        return n;
    }
};

// A deterministic test signal in [-1, 1).
inline std::vector<double> NoiseSignal(size_t length, uint32_t seed) {
    std::vector<double> out(length);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& x : out) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
    return out;
}
