// The processor state DAW hosts give plug-ins, for as long as one of these
// lives: results and operands too small for a normal number are taken as
// zero on this thread (flush-to-zero, denormals-are-zero), so that a filter
// whose state decays into subnormal numbers after the sound stops costs no
// more than sound does. The thread's previous state comes back at the end.
// Samples in the normal range are the same either way.
#pragma once

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

class FlushToZero {
  public:
#if defined(__SSE__)
    FlushToZero() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~FlushToZero() {
        _mm_setcsr(saved_);
    }
#else
    FlushToZero() = default;
#endif
    FlushToZero(const FlushToZero&) = delete;
    FlushToZero& operator=(const FlushToZero&) = delete;

  private:
#if defined(__SSE__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#endif
};
