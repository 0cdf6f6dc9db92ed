#include "tools/bmconv/converter_error.hpp"

#include "base/display_text.hpp"

namespace felmo::bmconv {
namespace {

// The subject is a file name or a token from the command line or a command file: shown escaped
// and cut. The detail is our own text, whose quoted parts are escaped where they are made; it is
// escaped again (never cut) so that no control byte reaches the terminal.
std::string line(Failure failure, const std::string& subject, const std::string& detail) {
    std::string text(failureText(failure));
    if (!detail.empty())
        text += (text.empty() ? "" : " ") + displayText(detail, std::string::npos);
    return subject.empty() ? text : displayText(subject) + ": " + text;
}

}  // namespace

std::string_view failureText(Failure failure) {
    switch (failure) {
        case Failure::Usage:
            return "";
        case Failure::BadCommandFile:
            return "Bad command file.";
        case Failure::FileDoesNotExist:
            return "File does not exist";
        case Failure::BadSourceFile:
            return "Bad source file(s).";
        case Failure::BadDestinationFile:
            return "Bad destination file(s).";
        case Failure::SourceTargetMismatch:
            return "Number of sources/targets mismatch.";
        case Failure::InvalidBitmapMode:
            return "Invalid bitmap mode specified.";
        case Failure::CompressionError:
            return "Compression error.";
        case Failure::DecompressionError:
            return "Decompression error.";
        case Failure::OutOfMemory:
            return "Out of memory.";
    }
    return "";
}

ConverterError::ConverterError(Failure failure, const std::string& subject,
                               const std::string& detail)
    : Error(line(failure, subject, detail)), failure_(failure) {}

}  // namespace felmo::bmconv
