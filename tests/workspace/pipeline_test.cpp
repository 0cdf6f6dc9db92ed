#include "workspace/pipeline.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "base/error.hpp"
#include "base/translation.hpp"
#include "platform/child_process.hpp"
#include "script_converter.hpp"
#include "support/fake_converter.hpp"
#include "text_files.hpp"
#include "workspace/command_file.hpp"
#include "workspace/paths.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

using namespace std::chrono_literals;
using testing::exists;
using testing::FakeConverter;
using testing::readText;
using testing::writeText;
using Run = FakeConverter::Run;

const std::array<std::string, kSlotCount> kDepths{"16", "12", "12", "24", "32"};

class Pipeline : public ::testing::Test {
  protected:
    void SetUp() override {
        workDir_ = workDirFor(folder_ / "tmp", currentUserId());
        programDir_ = folder_ / "program/";
        std::filesystem::create_directories(programDir_);
        std::filesystem::create_directories(folder_ / "tmp");
        createWorkTree(workDir_);
    }

    void writeSlotSources() {
        for (const MbmSlot& slot : kSlotTable)
            writeText(slotSourcePath(workDir_, slot), std::string(slot.name) + " source");
    }

    void writeFrames() {
        for (const MbmSlot& slot : kSlotTable)
            for (int k = 0; k <= slot.lastFrameIndex; ++k)
                writeText(framePath(workDir_, slot, k), std::string(slot.name) + std::to_string(k));
    }

    // Ticks until the pipeline finishes or throws; returns the number of ticks.
    int runToEnd(ConverterPipeline& pipeline) {
        for (int ticks = 1; ticks < 1000; ++ticks)
            if (pipeline.tick() == TickResult::Finished)
                return ticks;
        ADD_FAILURE() << "the pipeline never finished";
        return -1;
    }

    testing::TemporaryFolder folder_;
    std::string workDir_;
    std::string programDir_;
    FakeConverter converter_;
};

TEST_F(Pipeline, WholeUnpackInSlotOrder) {
    writeSlotSources();
    converter_.endRunsAtOnce = false;
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    EXPECT_EQ(pipeline.tick(), TickResult::Idle);
    pipeline.startUnpack();
    EXPECT_TRUE(pipeline.running());
    EXPECT_EQ(pipeline.phase(), PipelinePhase::Unpack);
    EXPECT_EQ(pipeline.awaitedFile(), workDir_ + "startup/11.bmp");
    EXPECT_EQ(pipeline.statusText(), "Распаковка startup… 1/5");

    std::vector<std::string> statuses;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(pipeline.currentSlot(), slot);
        statuses.push_back(pipeline.statusText());
        EXPECT_EQ(pipeline.tick(), TickResult::Waiting);
        // A slot's source is removed only once the next slot's run is under way.
        EXPECT_TRUE(exists(slotSourcePath(workDir_, slotAt(slot))));
        converter_.endRun();
        EXPECT_EQ(pipeline.tick(), slot < 4 ? TickResult::Advanced : TickResult::Finished);
        if (slot < 4) {
            EXPECT_FALSE(exists(slotSourcePath(workDir_, slotAt(slot))));
        }
    }
    EXPECT_EQ(statuses.back(), "Распаковка Welcomeimage… 5/5");
    EXPECT_FALSE(pipeline.running());
    EXPECT_EQ(pipeline.currentSlot(), 5);
    EXPECT_EQ(pipeline.tick(), TickResult::Idle);

    ASSERT_EQ(converter_.commandFiles.size(), 5u);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(converter_.commandFiles[slot],
                  commandFileText(unpackCommandLines(workDir_, slotAt(slot))));
        EXPECT_EQ(converter_.workingDirectories[slot], programDir_);
    }
    for (const MbmSlot& slot : kSlotTable)
        for (int k = 0; k <= slot.lastFrameIndex; ++k)
            EXPECT_EQ(readText(framePath(workDir_, slot, k)),
                      "frame of " + slotSourcePath(workDir_, slot));

    // The finishing steps the owner runs.
    writeText(workDir_ + "theme.mbm", "user file");
    writeText(workDir_ + "a-very-long-theme-name-of-many-characters.mbm", "user file");
    deleteUnpackedSources(workDir_,
                          {"theme.mbm", "a-very-long-theme-name-of-many-characters.mbm", "../x"});
    deleteCommandFile(programDir_);
    for (const auto& entry : std::filesystem::directory_iterator(workDir_))
        EXPECT_TRUE(entry.is_directory()) << entry.path();  // no .mbm file of any kind is left
    EXPECT_FALSE(exists(programDir_ + "PackUnpack.txt"));
}

TEST_F(Pipeline, WholePackAndDelivery) {
    writeFrames();
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.startPack(kDepths);
    EXPECT_EQ(pipeline.phase(), PipelinePhase::Pack);
    EXPECT_EQ(pipeline.awaitedFile(), workDir_ + "NewMbmFiles/startup.mbm");
    EXPECT_EQ(pipeline.statusText(), "Упаковка startup… 1/5");
    EXPECT_EQ(runToEnd(pipeline), 5);  // advances at once when a run has ended
    ASSERT_EQ(converter_.commandFiles.size(), 5u);
    for (int slot = 0; slot < kSlotCount; ++slot)
        EXPECT_EQ(converter_.commandFiles[slot],
                  commandFileText(packCommandLines(workDir_, slotAt(slot), kDepths[slot])));
    // Packing deletes nothing in the work tree.
    EXPECT_TRUE(exists(framePath(workDir_, slotAt(kStartupSlot), 11)));

    const std::string output = folder_ / "out/deeper/Files";
    writeText(output + "/other.txt", "untouched");
    writeText(output + "/Splashscreen.mbm", "old splash");
    deliverBuiltFiles(workDir_, output, programDir_);
    EXPECT_EQ(readText(output + "/Splashscreen.mbm"), "-c24:Splashscreen0;");
    EXPECT_EQ(readText(output + "/Welcomeimage.mbm"), "-c32:Welcomeimage0;");
    EXPECT_EQ(readText(output + "/backgroundimage.mbm"),
              "-c12:backgroundimage0;-c12:backgroundimage1;");
    EXPECT_EQ(readText(output + "/other.txt"), "untouched");
    EXPECT_TRUE(exists(output + "/startup.mbm"));
    EXPECT_TRUE(exists(output + "/EidPic.mbm"));
    EXPECT_TRUE(std::filesystem::is_empty(newMbmFolder(workDir_)));
    EXPECT_FALSE(exists(programDir_ + "PackUnpack.txt"));
}

TEST_F(Pipeline, FailingConverterStopsWithTheSlotAndItsMessageAndDeletesNothing) {
    writeSlotSources();
    converter_.plan = {Run::Convert, Run::FailWithMessage};
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.startUnpack();
    EXPECT_EQ(pipeline.tick(), TickResult::Advanced);
    try {
        pipeline.tick();
        FAIL() << "the failed run should have stopped the pipeline";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("распаковать EidPic"), std::string::npos) << message;
        EXPECT_NE(message.find("код 1"), std::string::npos) << message;
        EXPECT_NE(message.find("bmconv: broken bitmap"), std::string::npos) << message;
    }
    EXPECT_FALSE(pipeline.running());
    EXPECT_EQ(pipeline.statusText(), "");
    EXPECT_EQ(pipeline.tick(), TickResult::Idle);  // never polled again
    EXPECT_EQ(converter_.commandFiles.size(), 2u);
    for (int slot = kEidPicSlot; slot < kSlotCount; ++slot)
        EXPECT_TRUE(exists(slotSourcePath(workDir_, slotAt(slot))));
    EXPECT_TRUE(exists(framePath(workDir_, slotAt(kStartupSlot), 11)));
    EXPECT_TRUE(exists(programDir_ + "PackUnpack.txt"));
}

TEST_F(Pipeline, ItsStatusAndFailureReadInEnglishWhenChosen) {
#if !FELMO_NLS
    GTEST_SKIP() << "built without translations";
#endif
    const std::filesystem::path locales =
        std::filesystem::path(FELMO_BIN_DIR) / ".." / "share" / "locale";
    useLanguage(Language::English, locales);
    writeFrames();
    converter_.plan = {Run::FailWithMessage};
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.startPack(kDepths);
    EXPECT_EQ(pipeline.statusText(), "Packing startup… 1/5");
    try {
        pipeline.tick();
        ADD_FAILURE() << "the failed run should have stopped the pipeline";
    } catch (const Error& error) {
        EXPECT_EQ(
            std::string(error.what())
                .rfind("Cannot pack startup: the converter failed (exit code 1):\nbmconv: ", 0),
            0u)
            << error.what();
    }
    useLanguage(Language::Russian, locales);
    EXPECT_EQ(pipeline.statusText(), "");
}

struct FailureCase {
    Run run;
    const char* expectedText;
};

class PipelineFailure : public Pipeline, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(PipelineFailure, PackStopsAtTheFirstSlot) {
    writeFrames();
    // A file left by an earlier build must not pass for this run's result.
    writeText(builtFilePath(workDir_, slotAt(kStartupSlot)), "stale");
    converter_.plan = {GetParam().run};
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.setSlotTimeout(1ms);
    try {
        pipeline.startPack(kDepths);
        std::this_thread::sleep_for(5ms);
        pipeline.tick();
        FAIL() << "the pipeline should have stopped";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("упаковать startup"), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().expectedText), std::string::npos) << message;
    }
    EXPECT_FALSE(pipeline.running());
    EXPECT_EQ(pipeline.currentSlot(), 0);
    EXPECT_EQ(converter_.kills, GetParam().run == Run::Hang ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Runs, PipelineFailure,
                         ::testing::Values(FailureCase{Run::WriteNothing, "не создал файл"},
                                           FailureCase{Run::CannotStart, "no such converter"},
                                           FailureCase{Run::FailWithMessage,
                                                       "bmconv: broken bitmap"},
                                           FailureCase{Run::Hang, "не закончил работу"}));

TEST_F(Pipeline, StaleDoneMarkerDoesNotEndASlotEarly) {
    writeSlotSources();
    writeText(workDir_ + "startup/11.bmp", "left by a run that ended abnormally");
    writeText(workDir_ + "EidPic/4.bmp", "left by a run that ended abnormally");
    converter_.endRunsAtOnce = false;
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.startUnpack();
    EXPECT_FALSE(exists(workDir_ + "startup/11.bmp"));
    EXPECT_FALSE(exists(workDir_ + "EidPic/4.bmp"));
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_EQ(pipeline.tick(), TickResult::Waiting);
    EXPECT_EQ(pipeline.currentSlot(), 0);
    converter_.endRun();
    EXPECT_EQ(pipeline.tick(), TickResult::Advanced);
    EXPECT_EQ(readText(workDir_ + "startup/11.bmp"), "frame of " + workDir_ + "startup.mbm");
}

TEST_F(Pipeline, MissingConverterIsReportedAtOnce) {
    writeSlotSources();
    ProcessConverterLauncher launcher(folder_ / "nowhere/bmconv");
    ConverterPipeline pipeline(launcher, workDir_, programDir_);
    try {
        pipeline.startUnpack();
        pipeline.tick();
        FAIL() << "a missing converter should stop the pipeline";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("startup"), std::string::npos) << message;
        EXPECT_NE(message.find(folder_ / "nowhere/bmconv"), std::string::npos) << message;
    }
    EXPECT_FALSE(pipeline.running());
    EXPECT_TRUE(exists(slotSourcePath(workDir_, slotAt(kStartupSlot))));
}

TEST_F(Pipeline, CreateIsRefusedWhileAPipelineRuns) {
    writeSlotSources();
    converter_.plan = {Run::Hang};
    ConverterPipeline pipeline(converter_, workDir_, programDir_);
    pipeline.startUnpack();
    EXPECT_THROW(pipeline.startPack(kDepths), Error);
    EXPECT_EQ(pipeline.phase(), PipelinePhase::Unpack);
    pipeline.stop();
    EXPECT_EQ(converter_.kills, 1);
    EXPECT_FALSE(pipeline.running());
    writeFrames();
    pipeline.startPack(kDepths);
    EXPECT_EQ(pipeline.phase(), PipelinePhase::Pack);
}

TEST_F(Pipeline, RealProcessesUnpackThenPack) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the converter here is a shell script";
    writeSlotSources();
    ProcessConverterLauncher launcher(testing::writeScriptConverter(programDir_));
    ConverterPipeline pipeline(launcher, workDir_, programDir_);

    auto runWithProcesses = [&] {
        TickResult result = TickResult::Waiting;
        for (int round = 0; round < 200 && result != TickResult::Finished; ++round) {
            for (int wait = 0; wait < 10 && !hasCompleted(pipeline.exitNotifier()); ++wait)
                std::this_thread::sleep_for(10ms);
            result = pipeline.tick();
        }
        return result;
    };

    pipeline.startUnpack();
    ASSERT_EQ(runWithProcesses(), TickResult::Finished);
    EXPECT_EQ(readText(workDir_ + "backgroundimage/1.bmp"),
              "frame of " + workDir_ + "backgroundimage.mbm\n");

    pipeline.startPack(kDepths);
    ASSERT_EQ(runWithProcesses(), TickResult::Finished);
    EXPECT_EQ(readText(builtFilePath(workDir_, slotAt(kSplashscreenSlot))),
              "-c24\nframe of " + workDir_ + "Splashscreen.mbm\n");

    const std::string real = std::filesystem::canonical(programDir_).string();
    std::string expectedLog;
    for (int run = 0; run < 10; ++run)
        expectedLog += real + " 1 PackUnpack.txt\n";
    EXPECT_EQ(readText(programDir_ + "launches.log"), expectedLog);
}

TEST_F(Pipeline, RealProcessFailureReportsTheConvertersMessage) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the converter here is a shell script";
    // No slot sources: the converter refuses the first slot.
    ProcessConverterLauncher launcher(testing::writeScriptConverter(programDir_));
    ConverterPipeline pipeline(launcher, workDir_, programDir_);
    pipeline.startUnpack();
    launcher.waitFor(10s);
    try {
        pipeline.tick();
        FAIL() << "the converter's failure should stop the pipeline";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Не удалось распаковать startup: конвертер завершился с ошибкой (код 2):\n"
                  "no source " +
                      workDir_ + "startup.mbm");
    }
}

TEST_F(Pipeline, DeliveryRemovesOnlyItsOwnLeftoverTemporaries) {
    const std::string output = folder_ / "Files";
    for (const MbmSlot& slot : kSlotTable)
        writeText(builtFilePath(workDir_, slot), "new " + std::string(slot.name));
    const std::vector<std::string> ours = {".startup.mbm.0123456789abcdef.tmp",
                                           ".Welcomeimage.mbm.fedcba9876543210.tmp"};
    const std::vector<std::string> theirs = {"notes.tmp", ".startup.mbm.tmp",
                                             ".other.mbm.0123456789abcdef.tmp",
                                             ".startup.mbm.0123456789abcdef.tmp.bak"};
    for (const std::string& name : ours)
        writeText(output + "/" + name, "left by a killed run");
    for (const std::string& name : theirs)
        writeText(output + "/" + name, "the user's");
    deliverBuiltFiles(workDir_, output, programDir_);
    for (const std::string& name : ours)
        EXPECT_FALSE(exists(output + "/" + name)) << name;
    for (const std::string& name : theirs)
        EXPECT_EQ(readText(output + "/" + name), "the user's") << name;
    EXPECT_EQ(readText(output + "/startup.mbm"), "new startup");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(output))
        ++entries;
    EXPECT_EQ(entries, kSlotTable.size() + theirs.size());
}

TEST_F(Pipeline, DeliveryKeepsWhatCouldNotBeCopied) {
    const std::string output = folder_ / "Files";
    for (const MbmSlot& slot : kSlotTable)
        writeText(builtFilePath(workDir_, slot), "new " + std::string(slot.name));
    std::filesystem::remove(builtFilePath(workDir_, slotAt(kEidPicSlot)));  // never built
    writeText(output + "/EidPic.mbm", "old EidPic");
    std::filesystem::create_directories(output + "/startup.mbm");  // cannot be replaced
    writeText(programDir_ + "PackUnpack.txt", "x");
    try {
        deliverBuiltFiles(workDir_, output, programDir_);
        FAIL() << "the failed copies should be reported";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(builtFilePath(workDir_, slotAt(kEidPicSlot))), std::string::npos)
            << message;
        EXPECT_NE(message.find(output + "/startup.mbm"), std::string::npos) << message;
        EXPECT_EQ(message.find("Splashscreen"), std::string::npos) << message;
    }
    EXPECT_EQ(readText(output + "/EidPic.mbm"), "old EidPic");
    EXPECT_TRUE(exists(builtFilePath(workDir_, slotAt(kStartupSlot))));  // kept for another try
    EXPECT_EQ(readText(output + "/Splashscreen.mbm"), "new Splashscreen");
    EXPECT_FALSE(exists(builtFilePath(workDir_, slotAt(kSplashscreenSlot))));
    EXPECT_FALSE(exists(programDir_ + "PackUnpack.txt"));
}

}  // namespace
}  // namespace felmo
