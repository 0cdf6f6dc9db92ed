// The settings reader on an arbitrary file: every key reads as some value, never a crash; and
// writing one key changes no other key's value.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "workspace/settings.hpp"

namespace {

const std::string& settingsPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/felmo-settings-fuzz-XXXXXX";
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        return std::string(folder) + "/Settings.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    felmo::writeFileAtomically(settingsPath(), {data, size});
    felmo::Settings settings(settingsPath());
    using namespace felmo::setting;
    const auto section = felmo::kSettingsSection;
    const int before = settings.readInteger(section, AlphaPicX1.key, -1);
    const std::string road = settings.readString(section, RoadDirFiles, "none");
    settings.readBool(section, OpenFolderWithDrawing.key, false);
    try {
        settings.writeInteger(section, TrackBarAlpha.key, 123);
    } catch (const felmo::Error&) {
        return 0;
    }
    if (settings.readInteger(section, TrackBarAlpha.key, -1) != 123 ||
        settings.readInteger(section, AlphaPicX1.key, -1) != before ||
        settings.readString(section, RoadDirFiles, "none") != road)
        std::abort();
    return 0;
}
