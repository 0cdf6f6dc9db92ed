// The budget of a start-up or a build: the limits a user may lower, the bytes predicted before a
// converter run (checked against what the converter's own formats make), and the pipeline
// stopping on the deadline and on the byte ceiling without starting or deleting anything.
#include "workspace/run_budget.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/error.hpp"
#include "mbm/mbm_writer.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "support/fake_clock.hpp"
#include "support/fake_converter.hpp"
#include "support/temporary_folder.hpp"
#include "text_files.hpp"
#include "workspace/paths.hpp"
#include "workspace/pipeline.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakeConverter;
using testing::writeText;
using Run = FakeConverter::Run;

TEST(RunLimits, TheEnvironmentMayLowerThemButNeverRaiseThem) {
    struct Case {
        const char* time;
        const char* bytes;
        std::chrono::milliseconds expectedTime;
        std::uint64_t expectedBytes;
    };
    const Case cases[] = {
        {nullptr, nullptr, kMaxRunTime, kMaxWorkTreeBytes},
        {"1500", "2000000", 1500ms, 2'000'000},
        {"10000", "100000000", kMaxRunTime, kMaxWorkTreeBytes},  // the limits themselves
        {"60000", "999999999999", kMaxRunTime, kMaxWorkTreeBytes},
        {"0", "0", kMaxRunTime, kMaxWorkTreeBytes},
        {"-5", "+5", kMaxRunTime, kMaxWorkTreeBytes},
        {"5 s", "1e6", kMaxRunTime, kMaxWorkTreeBytes},
        {"", "99999999999999999999999", kMaxRunTime, kMaxWorkTreeBytes},
    };
    for (const Case& c : cases) {
        const std::map<std::string, const char*> environment = {
            {"FELMO_TIME_LIMIT_MS", c.time}, {"FELMO_WORK_TREE_LIMIT_BYTES", c.bytes}};
        const RunLimits limits =
            runLimitsFromEnvironment([&](const char* name) { return environment.at(name); });
        EXPECT_EQ(limits.time, c.expectedTime) << (c.time ? c.time : "unset");
        EXPECT_EQ(limits.workTreeBytes, c.expectedBytes) << (c.bytes ? c.bytes : "unset");
    }
}

class Prediction : public ::testing::Test {
  protected:
    testing::TemporaryFolder folder_;
};

// Pictures of odd widths, so that every row padding shows.
std::vector<Raster> oddPictures(int count) {
    std::vector<Raster> pictures;
    for (int i = 0; i < count; ++i)
        pictures.emplace_back(1 + 7 * i, 3 + 2 * i, rgb(10, 20, static_cast<std::uint8_t>(i)));
    return pictures;
}

TEST_F(Prediction, UnpackingWritesTheSlotsFirstBitmapsAsTheBmpFilesOfTheirSize) {
    // EidPic takes five frames: the sixth and seventh bitmaps are not unpacked.
    const std::vector<Raster> pictures = oddPictures(7);
    std::vector<MbmFrame> frames;
    for (const Raster& picture : pictures)
        frames.push_back({&picture, {24, ColorKind::Color}});
    const std::string source = (folder_.path() / "EidPic.mbm").string();
    writeFileAtomically(source, encodeMbm(frames));
    std::uint64_t expected = 0;
    for (int k = 0; k < 5; ++k)
        expected += encodeBmp(pictures[static_cast<std::size_t>(k)]).size();
    EXPECT_EQ(predictedUnpackBytes(source, kSlotTable[kEidPicSlot]), expected);

    writeText(source, "not a multi-bitmap file");
    EXPECT_EQ(predictedUnpackBytes(source, kSlotTable[kEidPicSlot]), 0u);
    EXPECT_EQ(predictedUnpackBytes(source + ".missing", kSlotTable[kEidPicSlot]), 0u);
}

TEST_F(Prediction, PackingWritesAtMostTheUncompressedFileAtEveryDepth) {
    const std::string workDir = folder_.path().string() + "/";
    const MbmSlot& slot = kSlotTable[kEidPicSlot];
    const std::vector<Raster> pictures = oddPictures(slot.frameCount);
    std::filesystem::create_directories(workDir + "EidPic");
    for (int k = 0; k < slot.frameCount; ++k)
        saveBmpFile(pictures[static_cast<std::size_t>(k)], framePath(workDir, slot, k));
    for (const int depth : {4, 8, 12, 16, 24, 32}) {
        std::vector<MbmFrame> frames;
        for (const Raster& picture : pictures)
            frames.push_back({&picture, {depth, ColorKind::Color}});
        EXPECT_EQ(predictedPackBytes(workDir, slot, std::to_string(depth)),
                  encodeMbm(frames, MbmStorage::Uncompressed).size())
            << depth;
    }
}

TEST(FolderBytes, CountsRegularFilesInEverySubFolderAndNotWhatLinksPointAt) {
    if (!testing::kPosix)
        GTEST_SKIP() << "symbolic links are POSIX's";
    testing::TemporaryFolder folder;
    const std::filesystem::path root = folder.path();
    std::filesystem::create_directories(root / "a" / "b");
    writeText((root / "one").string(), std::string(100, 'x'));
    writeText((root / "a" / "b" / "two").string(), std::string(23, 'x'));
    writeText((folder.path().parent_path() / "outside-budget-test").string(),
              std::string(5000, 'x'));
    std::filesystem::create_symlink(folder.path().parent_path() / "outside-budget-test",
                                    root / "a" / "link");
    EXPECT_EQ(folderBytes(root.string()), 123u);
    EXPECT_EQ(folderBytes((root / "missing").string()), 0u);
    std::filesystem::remove(folder.path().parent_path() / "outside-budget-test");
}

class BudgetedPipeline : public ::testing::TestWithParam<PipelinePhase> {
  protected:
    void SetUp() override {
        workDir_ = workDirFor((folder_.path() / "tmp").string(), currentUserId());
        programDir_ = (folder_.path() / "program/").string();
        std::filesystem::create_directories(programDir_);
        std::filesystem::create_directories(folder_.path() / "tmp");
        createWorkTree(workDir_);
        for (const MbmSlot& slot : kSlotTable) {
            writeText(slotSourcePath(workDir_, slot), "source");
            for (int k = 0; k <= slot.lastFrameIndex; ++k)
                writeText(framePath(workDir_, slot, k), "frame");
        }
    }

    void start(ConverterPipeline& pipeline, const RunBudget& budget) {
        pipeline.setBudget(budget);
        if (GetParam() == PipelinePhase::Unpack)
            pipeline.startUnpack();
        else
            pipeline.startPack({"16", "16", "16", "16", "16"});
    }
    RunKind kind() const {
        return GetParam() == PipelinePhase::Unpack ? RunKind::StartUp : RunKind::Build;
    }
    std::string stopped(const std::string& reason) const {
        return kind() == RunKind::StartUp ? "Запуск остановлен: " + reason
                                          : "Создание графики остановлено: " + reason +
                                                " Файлы в папке вывода не изменены.";
    }
    std::string step(const std::string& slot) const {
        return (GetParam() == PipelinePhase::Unpack ? "распаковка " : "упаковка ") + slot;
    }

    testing::TemporaryFolder folder_;
    std::string workDir_;
    std::string programDir_;
    FakeConverter converter_;
    FakeClock clock_;
};

TEST_P(BudgetedPipeline, ARunPastTheDeadlineIsKilledAndStopsThePipeline) {
    converter_.plan = {Run::Convert, Run::Hang};
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    start(pipeline, RunBudget(kind(), RunLimits{}, clock_));
    EXPECT_EQ(pipeline.tick(), TickResult::Advanced);
    clock_.advance(9999ms);
    EXPECT_EQ(pipeline.tick(), TickResult::Waiting);
    clock_.advance(1ms);
    try {
        pipeline.tick();
        FAIL() << "the deadline has passed";
    } catch (const Error& error) {
        EXPECT_EQ(error.what(), stopped("прошло больше 10 с (" + step("EidPic") + ")."));
    }
    EXPECT_EQ(converter_.kills, 1);
    EXPECT_FALSE(pipeline.running());
    EXPECT_EQ(pipeline.tick(), TickResult::Idle);
}

TEST_P(BudgetedPipeline, NoRunStartsOnceTheTimeIsUp) {
    converter_.endRunsAtOnce = false;
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    start(pipeline, RunBudget(kind(), RunLimits{}, clock_));
    clock_.advance(10s);
    converter_.endRun();  // the run ends just as the time runs out: the next one does not start
    EXPECT_THROW(pipeline.tick(), Error);
    EXPECT_EQ(converter_.launches(), 1);
}

TEST_P(BudgetedPipeline, AWorkTreeThatGrewPastItsCeilingStopsAfterTheRun) {
    // The second run leaves a file the prediction could not know of.
    converter_.afterRun = [this](const std::vector<std::string>&) {
        if (converter_.launches() == 2)
            writeText(workDir_ + "startup/stray.bin", std::string(3000, 'x'));
    };
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    const std::uint64_t before = folderBytes(workDir_);
    start(pipeline, RunBudget(kind(), RunLimits{kMaxRunTime, before + 2000}, clock_));
    EXPECT_EQ(pipeline.tick(), TickResult::Advanced);
    try {
        pipeline.tick();
        FAIL() << "the work tree is past its ceiling";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind(stopped("").substr(0, message.find(':') + 2) +
                                    "во временной папке стало больше 0.",
                                0),
                  0u)
            << message;
        EXPECT_NE(message.find("(" + step("EidPic") + ": "), std::string::npos) << message;
    }
    EXPECT_EQ(converter_.launches(), 2);
    EXPECT_FALSE(pipeline.running());
}

INSTANTIATE_TEST_SUITE_P(Phases, BudgetedPipeline,
                         ::testing::Values(PipelinePhase::Unpack, PipelinePhase::Pack),
                         [](const ::testing::TestParamInfo<PipelinePhase>& phase) {
                             return phase.param == PipelinePhase::Unpack ? "Unpack" : "Pack";
                         });

TEST(BudgetedPipelineBytes, ARunWhoseOutputWouldPassTheCeilingIsNotStarted) {
    testing::TemporaryFolder folder;
    const std::string workDir = workDirFor((folder.path() / "tmp").string(), currentUserId());
    const std::string programDir = (folder.path() / "program/").string();
    std::filesystem::create_directories(programDir);
    std::filesystem::create_directories(folder.path() / "tmp");
    createWorkTree(workDir);
    // Twelve 200 x 100 frames: 12 x 60054 bytes when unpacked.
    const Raster picture(200, 100, colors::white);
    std::vector<MbmFrame> frames(12, MbmFrame{&picture, {16, ColorKind::Color}});
    writeFileAtomically(slotSourcePath(workDir, kSlotTable[kStartupSlot]), encodeMbm(frames));
    const std::uint64_t before = folderBytes(workDir);
    ASSERT_LT(before, 10'000u);  // the compressed source

    FakeConverter converter;
    FakeClock clock;
    ConverterPipeline pipeline(converter, workDir, programDir);
    pipeline.setBudget(RunBudget(RunKind::StartUp, RunLimits{kMaxRunTime, 700'000}, clock));
    try {
        pipeline.startUnpack();
        FAIL() << "the frames would pass the ceiling";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Запуск остановлен: во временной папке было бы больше 0.700 МБ "
                                "(распаковка startup: 0.72",
                                0),
                  0u)
            << message;
    }
    EXPECT_EQ(converter.launches(), 0);
    EXPECT_FALSE(pipeline.running());
    EXPECT_FALSE(std::filesystem::exists(programDir + "PackUnpack.txt"));
}

}  // namespace
}  // namespace felmo
