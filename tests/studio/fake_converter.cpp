#include "fake_converter.hpp"

#include <fstream>
#include <sstream>
#include <thread>

#include "base/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/raster.hpp"
#include "workspace/slot_table.hpp"

namespace felmo::testing {
namespace fs = std::filesystem;

Color fakeFrameColour(int slotIndex, int frameIndex) {
    return rgb(static_cast<std::uint8_t>(30 + slotIndex * 40),
               static_cast<std::uint8_t>(10 + frameIndex * 20), static_cast<std::uint8_t>(200));
}

FrameSize slotFrameSize(int slotIndex, int frameIndex) {
    switch (slotIndex) {
        case kEidPicSlot:
            return frameIndex == 0 ? FrameSize{176, 12} : FrameSize{176, 68};
        case kBackgroundimageSlot:
            return frameIndex == 0 ? FrameSize{176, 132} : FrameSize{1, 1};
        default:
            return FrameSize{176, 208};
    }
}

namespace {

std::vector<std::string> readCommandFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

void FakeConverter::launch(const std::string& workingDirectory) {
    const std::vector<std::string> lines =
        readCommandFile(fs::path(workingDirectory) / "PackUnpack.txt");
    commandFiles.push_back(lines);
    switch (behaviourOf(launches() - 1)) {
        case Behaviour::Convert:
            convert(lines);
            if (afterRun)
                afterRun(lines);
            state_ = ConverterState{ConverterState::Kind::Succeeded, 0, ""};
            break;
        case Behaviour::Fail:
            state_ = ConverterState{ConverterState::Kind::Failed, 1, "bmconv: the file is damaged"};
            break;
        case Behaviour::NoOutput:
            state_ = ConverterState{ConverterState::Kind::Succeeded, 0, ""};
            break;
        case Behaviour::Hang:
            state_ = ConverterState{ConverterState::Kind::Running, 0, ""};
            break;
    }
}

ConverterState FakeConverter::waitFor(std::chrono::milliseconds timeout) {
    if (state_.kind == ConverterState::Kind::Running)
        std::this_thread::sleep_for(std::min(timeout, std::chrono::milliseconds(5)));
    return state_;
}

void FakeConverter::kill() {
    if (state_.kind == ConverterState::Kind::Running)
        state_ = ConverterState{ConverterState::Kind::Failed, 128 + 9, ""};
}

void FakeConverter::finishHangingRun() {
    convert(commandFiles.back());
    state_ = ConverterState{ConverterState::Kind::Succeeded, 0, ""};
}

void FakeConverter::convert(const std::vector<std::string>& lines) {
    if (lines.empty())
        return;
    if (lines[0].rfind(" -u ", 0) == 0) {
        // Unpack: every frame line gets a plain picture of the slot's frame size.
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const fs::path frame = lines[i];
            const int slot = findSlotIndex(frame.parent_path().filename().string());
            const int k = std::stoi(frame.stem().string());
            const FrameSize size = slotFrameSize(slot, k);
            saveBmpFile(Raster(size.width, size.height, fakeFrameColour(slot, k)), frame);
        }
    } else {
        // Pack: a stand-in file holding the command lines.
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        writeFileAtomically(
            lines[0], std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
}

}  // namespace felmo::testing
