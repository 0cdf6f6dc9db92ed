// The budget of one start-up or one build: a wall-clock deadline and a ceiling on the bytes the
// private work tree holds. The size limits of every reader already keep honest work far below
// both; the budget is the safety net that stops whatever slips past them, with a message naming
// the step, before the step where its cost is known and after every converter run where not.
//
// The clock is injected, so tests drive the deadline by hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace felmo {

struct MbmSlot;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
};
// std::chrono::steady_clock.
const Clock& steadyClock();

inline constexpr std::chrono::milliseconds kMaxRunTime{10000};
inline constexpr std::uint64_t kMaxWorkTreeBytes = 100'000'000;

struct RunLimits {
    std::chrono::milliseconds time = kMaxRunTime;
    std::uint64_t workTreeBytes = kMaxWorkTreeBytes;
};

// The limits, each lowered by its variable when that holds a positive whole number below it:
// FELMO_TIME_LIMIT_MS and FELMO_WORK_TREE_LIMIT_BYTES. They are never raised.
RunLimits runLimitsFromEnvironment(const std::function<const char*(const char*)>& variable);

enum class RunKind { StartUp, Build };

class RunBudget {
  public:
    // The deadline is `limits.time` from now.
    RunBudget(RunKind kind, const RunLimits& limits, const Clock& clock);

    RunKind kind() const { return kind_; }
    const RunLimits& limits() const { return limits_; }
    // Zero once the deadline has passed.
    std::chrono::milliseconds timeLeft() const;
    bool timeIsUp() const { return timeLeft().count() == 0; }

    // Throws felmo::Error (timeUpMessage) once the deadline has passed; `step` names what is
    // going on or comes next ("упаковка EidPic").
    void checkTime(std::string_view step) const;
    std::string timeUpMessage(std::string_view step) const;

    // Throws felmo::Error when the work tree with `moreBytes` added would pass the ceiling.
    // `moreBytes` is what `step` is about to write; 0 checks what is there after it.
    void checkBytes(const std::string& workDir, std::uint64_t moreBytes,
                    std::string_view step) const;

  private:
    std::string stopped(const std::string& reason) const;

    RunKind kind_;
    RunLimits limits_;
    const Clock* clock_;
    std::chrono::steady_clock::time_point deadline_;
};

// The bytes of the regular files under `folder`, links not followed; 0 when it cannot be read.
std::uint64_t folderBytes(const std::string& folder);

// What unpacking `slot` from `source` writes: its first frames as 24-bit BMP files. 0 when the
// source cannot be read (the converter then says why).
std::uint64_t predictedUnpackBytes(const std::string& source, const MbmSlot& slot);
// What packing the slot's frames at `depthText` writes at most: every bitmap uncompressed.
std::uint64_t predictedPackBytes(const std::string& workDir, const MbmSlot& slot,
                                 std::string_view depthText);
// "2.5" for 2'500'000 bytes, "100" for 100'000'000, "0.003" for 3'000: megabytes for messages.
std::string megabytesText(std::uint64_t bytes);
// A 24-bit BMP file of that size.
std::uint64_t bmpFileBytes(std::int64_t width, std::int64_t height);

}  // namespace felmo
