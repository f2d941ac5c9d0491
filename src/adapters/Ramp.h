// A value that a live control change moves in a straight line to its new
// target over a fixed number of samples, reaching the target exactly.
#pragma once

#include <cstdint>

class Ramp {
  public:
    // At `value` at once.
    void Set(double value) {
        target_ = value;
        remaining_ = 0;
    }
    // From where it is now to `target` over `length` samples; a target it
    // already heads for changes nothing.
    void Head(double target, uint32_t length) {
        if (target == target_) return;
        const double now = Value();
        target_ = target;
        remaining_ = length;
        step_ = (target - now) / length;
    }
    bool Moving() const { return remaining_ != 0; }
    double Target() const { return target_; }
    // The value one sample on.
    double Next() {
        if (remaining_ != 0) --remaining_;
        return Value();
    }

  private:
    // The target itself once the ramp has ended.
    double Value() const { return remaining_ == 0 ? target_ : target_ - step_ * remaining_; }

    double target_ = 0.0;
    double step_ = 0.0;
    uint32_t remaining_ = 0;
};
