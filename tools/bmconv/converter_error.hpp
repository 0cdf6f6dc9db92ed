// The converter's failures: each is one of its fixed messages, the file (or argument) it is
// about and the reason, put on one line.
#pragma once

#include <string>
#include <string_view>

#include "base/error.hpp"

namespace felmo::bmconv {

enum class Failure {
    Usage,  // a malformed command line: exit status 2
    BadCommandFile,
    FileDoesNotExist,
    BadSourceFile,
    BadDestinationFile,
    SourceTargetMismatch,
    InvalidBitmapMode,
    CompressionError,
    DecompressionError,
    OutOfMemory,
};

// The converter's fixed text of each failure ("Bad source file(s).").
std::string_view failureText(Failure failure);

class ConverterError : public Error {
  public:
    // "<subject>: <text> <detail>", or "<text> <detail>" when there is no subject (the detail
    // then names the file itself, as the file I/O messages do).
    ConverterError(Failure failure, const std::string& subject, const std::string& detail = {});

    Failure failure() const { return failure_; }

  private:
    Failure failure_;
};

}  // namespace felmo::bmconv
