// Several writes that must all be attempted even when one of them is refused (the settings at
// close, the overlay window's values): each step runs, the first felmo::Error is kept, and it is
// thrown once every step has had its turn.
#pragma once

#include <optional>

#include "base/error.hpp"

namespace felmo {

class FirstFailure {
  public:
    // Runs `step`; a felmo::Error it throws is kept when it is the first one. Other exceptions
    // pass through at once.
    template <typename Step>
    void attempt(Step&& step) {
        try {
            step();
        } catch (const Error& failure) {
            if (!first_)
                first_ = failure;
        }
    }

    // Throws the first failure kept, if any.
    void rethrow() const {
        if (first_)
            throw *first_;
    }

  private:
    std::optional<Error> first_;
};

}  // namespace felmo
