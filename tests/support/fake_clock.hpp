// A clock the test moves: by hand (advance), or by a fixed step at every reading, so that a wait
// loop reaches a deadline after a known number of readings without sleeping.
#pragma once

#include <chrono>

#include "workspace/run_budget.hpp"

namespace felmo::testing {

class FakeClock : public Clock {
  public:
    std::chrono::steady_clock::time_point now() const override {
        time_ += stepPerReading;
        return time_;
    }
    void advance(std::chrono::milliseconds time) { time_ += time; }
    std::chrono::milliseconds stepPerReading{0};

  private:
    mutable std::chrono::steady_clock::time_point time_{};
};

}  // namespace felmo::testing
