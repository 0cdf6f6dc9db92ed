#include "base/version.hpp"

namespace felmo {

std::string versionText() {
    return std::to_string(FELMO_VERSION_MAJOR) + "." + std::to_string(FELMO_VERSION_MINOR) + "." +
           std::to_string(FELMO_VERSION_PATCH);
}

std::string captionVersion() {
    const std::string minor = std::to_string(FELMO_VERSION_MINOR);
    return std::to_string(FELMO_VERSION_MAJOR) + "." + (minor.size() < 2 ? "0" : "") + minor;
}

}  // namespace felmo
