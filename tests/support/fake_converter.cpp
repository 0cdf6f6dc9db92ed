#include "support/fake_converter.hpp"

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "raster/bmp.hpp"
#include "raster/raster.hpp"
#include "support/text_files.hpp"
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

std::vector<std::string> FakeConverter::commandLines(int run) const {
    std::vector<std::string> lines;
    std::istringstream text(commandFiles.at(static_cast<std::size_t>(run)));
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void FakeConverter::launch(const std::string& workingDirectory) {
    workingDirectories.push_back(workingDirectory);
    commandFiles.push_back(readText((fs::path(workingDirectory) / "PackUnpack.txt").string()));
    current_ = plan.empty() ? Run::Convert : plan.front();
    if (!plan.empty())
        plan.pop_front();
    running_ = !endRunsAtOnce;
    ended_ = false;
}

void FakeConverter::finishHangingRun() {
    if (current_ == Run::Hang)
        current_ = Run::Convert;
}

ConverterState FakeConverter::state() {
    ConverterState state;
    if (current_ == Run::CannotStart) {
        state.kind = ConverterState::Kind::FailedToStart;
        state.message = "no such converter";
        return state;
    }
    if (current_ == Run::Hang || running_) {
        state.kind = ConverterState::Kind::Running;
        return state;
    }
    if (!ended_) {
        ended_ = true;
        if (current_ == Run::Convert) {
            const std::vector<std::string> lines = commandLines(launches() - 1);
            convert(lines);
            if (afterRun)
                afterRun(lines);
        }
    }
    if (current_ == Run::FailWithMessage) {
        state.kind = ConverterState::Kind::Failed;
        state.exitStatus = 1;
        state.message = "bmconv: broken bitmap";
    } else {
        state.kind = ConverterState::Kind::Succeeded;
    }
    return state;
}

ConverterState FakeConverter::waitFor(std::chrono::milliseconds timeout) {
    ConverterState now = state();
    if (now.kind == ConverterState::Kind::Running)
        std::this_thread::sleep_for(std::min(timeout, std::chrono::milliseconds(5)));
    return now;
}

namespace {

// The path a command-file token names: the token without the quotes a path with blanks is
// written in.
std::string tokenPath(std::string_view token) {
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"')
        token = token.substr(1, token.size() - 2);
    return std::string(token);
}

// An unpack command file starts with " -u " (" /u " on Windows) and the source.
bool isUnpackLine(std::string_view line) {
    return line.starts_with(" -u ") || line.starts_with(" /u ");
}

// A pack frame line: "-c16" (Windows "/c16") and the frame's path.
struct FrameLine {
    std::string depth;  // "16"
    std::string path;
};

FrameLine frameLine(std::string_view line) {
    std::size_t end = 2;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9')
        ++end;
    return {std::string(line.substr(2, end - 2)), tokenPath(line.substr(end))};
}

}  // namespace

void FakeConverter::convert(const std::vector<std::string>& lines) const {
    if (lines.empty())
        return;
    if (isUnpackLine(lines[0])) {
        const std::string source = tokenPath(std::string_view(lines[0]).substr(4));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const fs::path frame = tokenPath(lines[i]);
            if (output == Output::Text) {
                writeText(frame, "frame of " + source);
                continue;
            }
            const int slot = findSlotIndex(frame.parent_path().filename().string());
            const int k = std::stoi(frame.stem().string());
            const FrameSize size = slotFrameSize(slot, k);
            saveBmpFile(Raster(size.width, size.height, fakeFrameColour(slot, k)), frame);
        }
        return;
    }
    std::string packed;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (output == Output::Pictures) {
            packed += lines[i] + "\n";
            continue;
        }
        // The depth is written in the POSIX form on every system, so the tests' texts are one.
        const FrameLine frame = frameLine(lines[i]);
        packed += "-c" + frame.depth + ":" + readText(frame.path) + ";";
    }
    const std::string target = tokenPath(lines[0]);
    writeText(target, output == Output::Pictures ? lines[0] + "\n" + packed : packed);
}

}  // namespace felmo::testing
