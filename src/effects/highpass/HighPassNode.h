// The filtering stage of the effect graph: a second-order Butterworth
// high-pass filter (HighPassDesign.h), run in place on each channel as a
// direct-form I recursion, with one independent history per channel carried
// from call to call. Above 5/11 of the sample rate it outputs silence.
#pragma once

#include "effects/highpass/HighPassDesign.h"
#include "effects/highpass/ProcessingNode.h"

class HighPassNode : public ProcessingNode {
  public:
    // Stores the format, designs the filter for `cutoff` at its sample rate
    // and clears both channels' histories.
    void SetFormat(const StreamFormat& format) override;
    // Silence test: unless sampleRate × 0.45454545454545453 (the double
    // nearest 5/11, the rate taken as signed) is at least `cutoff`, every
    // present channel becomes 0.0 and the histories stay as they are.
    // Otherwise each present channel is filtered, the left one with the
    // feed-forward terms grouped ((b0·x + b2·x2) + b1·x1), the right one
    // ((b1·x1 + b0·x) + b2·x2), each then − a1·y1 − a2·y2. Returns 1.
    int32_t Apply(StreamBuffer buffer) override;
    // Takes a new cutoff mid-stream, for hosts with live controls: the filter
    // is redesigned for it at the sample rate of the last SetFormat and both
    // histories carry on, so the signal is filtered on without a restart.
    void Retune(int32_t newCutoff);
    // For hosts that glide from one cutoff to another: the coefficients of an
    // intermediate design, the histories carrying on; `cutoff` is left alone.
    void SetCoefficients(const HighPassCoefficients& coefficients) { coefficients_ = coefficients; }
    // Clears both histories when any of their values is not finite, so that
    // a NaN or an infinity that came in is forgotten.
    void ForgetNonFinite();

    // Past samples of one channel: inputs one and two back, outputs likewise.
    struct History {
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    };

    // Hz, read as signed; written by the owner before SetFormat. Writing it
    // later moves only the silence limit, not the design.
    int32_t cutoff = 0;

  private:
    HighPassCoefficients coefficients_{};  // meaningful after SetFormat
    History leftHistory_;
    History rightHistory_;
};
