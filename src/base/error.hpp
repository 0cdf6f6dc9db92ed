// The one error type of FELMO. It carries the message a user sees, complete and final: front ends
// show what().
#pragma once

#include <stdexcept>
#include <string>

namespace felmo {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace felmo
