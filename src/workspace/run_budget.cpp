#include "workspace/run_budget.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/error.hpp"
#include "base/translation.hpp"
#include "mbm/mbm_format.hpp"
#include "mbm/mbm_reader.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "workspace/paths.hpp"
#include "workspace/slot_table.hpp"
#include "workspace/user_mbm_walk.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class SteadyClock : public Clock {
  public:
    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::now();
    }
};

// A positive whole number below `ceiling`, else nullopt.
std::optional<std::uint64_t> lowered(const char* text, std::uint64_t ceiling) {
    if (text == nullptr)
        return std::nullopt;
    const char* end = text + std::strlen(text);
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || value == 0 || value >= ceiling)
        return std::nullopt;
    return value;
}

// "10" for 100 tenths, "1.5" for 15: a count of tenths written as a number.
std::string tenthsText(std::uint64_t tenths) {
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        text += "." + std::to_string(tenths % 10);
    return text;
}

// "10" for 10 s, "1.5" for 1500 ms: seconds to a tenth.
std::string secondsText(milliseconds time) {
    return tenthsText(static_cast<std::uint64_t>((time.count() + 50) / 100));
}

std::int32_t littleEndian32(const unsigned char* bytes) {
    return static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                     std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

struct PictureSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The size a BMP file's header gives; nullopt when the file is missing, not a regular file or
// too short. Opened as every file FELMO reads is: never waiting on a FIFO put in its place.
std::optional<PictureSize> bmpHeaderSize(const std::string& path) {
    std::array<unsigned char, 26> header{};
    try {
        InputFile file(path);
        if (file.readAt(0, header) != header.size())
            return std::nullopt;
    } catch (const Error&) {
        return std::nullopt;
    }
    if (header[0] != 'B' || header[1] != 'M')
        return std::nullopt;
    const std::int64_t width = littleEndian32(&header[18]);
    const std::int64_t height = littleEndian32(&header[22]);
    if (width <= 0 || height == 0)
        return std::nullopt;
    return PictureSize{width, height < 0 ? -height : height};
}

}  // namespace

const Clock& steadyClock() {
    static const SteadyClock clock;
    return clock;
}

RunLimits runLimitsFromEnvironment(const std::function<const char*(const char*)>& variable) {
    RunLimits limits;
    if (const auto time = lowered(variable("FELMO_TIME_LIMIT_MS"),
                                  static_cast<std::uint64_t>(kMaxRunTime.count())))
        limits.time = milliseconds(static_cast<milliseconds::rep>(*time));
    if (const auto bytes = lowered(variable("FELMO_WORK_TREE_LIMIT_BYTES"), kMaxWorkTreeBytes))
        limits.workTreeBytes = *bytes;
    return limits;
}

RunBudget::RunBudget(RunKind kind, const RunLimits& limits, const Clock& clock)
    : kind_(kind), limits_(limits), clock_(&clock), deadline_(clock.now() + limits.time) {}

milliseconds RunBudget::timeLeft() const {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline_ - clock_->now());
    return std::max(left, milliseconds(0));
}

std::string RunBudget::stopped(const std::string& reason) const {
    return kind_ == RunKind::StartUp
               ? formatMessage(_("Запуск остановлен: %1"), reason)
               : formatMessage(_("Создание графики остановлено: %1 Файлы в папке вывода не "
                                 "изменены."),
                               reason);
}

std::string RunBudget::timeUpMessage(std::string_view step) const {
    return stopped(formatMessage(_("прошло больше %1 с (%2)."), secondsText(limits_.time), step));
}

void RunBudget::checkTime(std::string_view step) const {
    if (timeIsUp())
        throw Error(timeUpMessage(step));
}

void RunBudget::checkBytes(const std::string& workDir, std::uint64_t moreBytes,
                           std::string_view step) const {
    const std::uint64_t total = folderBytes(workDir) + moreBytes;
    if (total <= limits_.workTreeBytes)
        return;
    const char* pattern = moreBytes > 0 ? _("во временной папке было бы больше %1 МБ (%2: %3 МБ).")
                                        : _("во временной папке стало больше %1 МБ (%2: %3 МБ).");
    throw Error(stopped(
        formatMessage(pattern, megabytesText(limits_.workTreeBytes), step, megabytesText(total))));
}

// Megabytes to a tenth, or to a thousandth below one.
std::string megabytesText(std::uint64_t bytes) {
    if (bytes < 950'000) {
        const std::string thousandths = std::to_string(1000 + (bytes + 500) / 1000);
        return "0." + thousandths.substr(1);
    }
    return tenthsText((bytes + 50'000) / 100'000);
}

std::uint64_t folderBytes(const std::string& folder) {
    std::error_code error;
    fs::recursive_directory_iterator entries(nativePath(folder), error);
    std::uint64_t bytes = 0;
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        std::error_code statError;
        const fs::file_status status = entries->symlink_status(statError);
        if (statError || !fs::is_regular_file(status))
            continue;
        const std::uintmax_t size = entries->file_size(statError);
        if (!statError)
            bytes += size;
    }
    return bytes;
}

std::uint64_t bmpFileBytes(std::int64_t width, std::int64_t height) {
    constexpr std::uint64_t kHeaderBytes = 54;
    const auto rowBytes = static_cast<std::uint64_t>((3 * width + 3) / 4 * 4);
    return kHeaderBytes + rowBytes * static_cast<std::uint64_t>(height);
}

std::uint64_t predictedUnpackBytes(const std::string& source, const MbmSlot& slot) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(source, kMaxUserMbmBytes);
    } catch (const Error&) {
        return 0;
    }
    const std::vector<MbmBitmapSize> sizes = readMbmBitmapSizes(bytes);
    const std::size_t count = std::min(sizes.size(), static_cast<std::size_t>(slot.frameCount));
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (sizes[i].width > 0 && sizes[i].height > 0)
            total += bmpFileBytes(sizes[i].width, sizes[i].height);
    return total;
}

std::uint64_t predictedPackBytes(const std::string& workDir, const MbmSlot& slot,
                                 std::string_view depthText) {
    int bitsPerPixel = 32;  // the most any depth takes
    std::from_chars(depthText.data(), depthText.data() + depthText.size(), bitsPerPixel);
    std::uint64_t total = mbm::kFileHeaderBytes + 4;
    for (int k = 0; k <= slot.lastFrameIndex; ++k) {
        total += mbm::kBitmapHeaderBytes + 4;
        if (const std::optional<PictureSize> size = bmpHeaderSize(framePath(workDir, slot, k)))
            total +=
                strideBytes(bitsPerPixel, size->width) * static_cast<std::uint64_t>(size->height);
    }
    return total;
}

}  // namespace felmo
