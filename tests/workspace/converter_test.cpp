#include "workspace/converter.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>

#include <filesystem>

#include "script_converter.hpp"
#include "text_files.hpp"

namespace felmo {
namespace {

using namespace std::chrono_literals;
using testing::readText;
using testing::TemporaryFolder;
using testing::writeText;
using Kind = ConverterState::Kind;

std::string script(const TemporaryFolder& folder, const std::string& body) {
    const std::string path = folder / "converter.sh";
    writeText(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(ProcessConverter, RunsInTheWorkingDirectoryWithTheCommandFileAsOnlyArgument) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(
        script(folder, "read line; echo \"$(pwd -P)|$#|$1|[$line]\" > ran.txt"));
    EXPECT_EQ(launcher.state().kind, Kind::NotStarted);
    launcher.launch(folder.pathWithSlash());
    ConverterState state = launcher.waitFor(10s);
    EXPECT_EQ(state.kind, Kind::Succeeded);
    const std::string real = std::filesystem::canonical(folder.pathWithSlash()).string();
    EXPECT_EQ(readText(folder / "ran.txt"), real + "|1|PackUnpack.txt|[]\n");  // stdin is empty
}

TEST(ProcessConverter, FailureCarriesTheStatusAndTheConvertersMessage) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(
        script(folder, "echo progress; echo '  bmconv: cannot read startup.mbm ' >&2; exit 3"));
    launcher.launch(folder.pathWithSlash());
    ConverterState state = launcher.waitFor(10s);
    EXPECT_EQ(state.kind, Kind::Failed);
    EXPECT_EQ(state.exitStatus, 3);
    EXPECT_EQ(state.message, "bmconv: cannot read startup.mbm");
    EXPECT_EQ(launcher.state().kind, Kind::Failed);  // stays reported
}

TEST(ProcessConverter, KilledBySignal) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(script(folder, "kill -9 $$"));
    launcher.launch(folder.pathWithSlash());
    ConverterState state = launcher.waitFor(10s);
    EXPECT_EQ(state.kind, Kind::Failed);
    EXPECT_EQ(state.exitStatus, 128 + 9);
}

TEST(ProcessConverter, ProgramThatCannotStart) {
    TemporaryFolder folder;
    writeText(folder / "not-executable", "#!/bin/sh\n");
    for (std::string program :
         {folder / "missing", folder / "not-executable", folder.pathWithSlash()}) {
        ProcessConverterLauncher launcher(program);
        launcher.launch(folder.pathWithSlash());
        ConverterState state = launcher.state();
        EXPECT_EQ(state.kind, Kind::FailedToStart) << program;
        EXPECT_NE(state.message.find(program), std::string::npos) << state.message;
    }
    ProcessConverterLauncher launcher(script(folder, "exit 0"));
    launcher.launch(folder / "no-such-folder/");  // the working directory cannot be entered
    EXPECT_EQ(launcher.state().kind, Kind::FailedToStart);
}

TEST(ProcessConverter, ExitNotifierBecomesReadableWhenTheProcessEnds) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(script(folder, "sleep 0.2"));
    launcher.launch(folder.pathWithSlash());
    const int notifier = static_cast<int>(launcher.exitNotifier());
    if (notifier < 0)
        GTEST_SKIP() << "no pidfd on this system";
    pollfd watch{notifier, POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 0), 0);  // still running
    EXPECT_EQ(launcher.state().kind, Kind::Running);
    EXPECT_EQ(::poll(&watch, 1, 10000), 1);
    EXPECT_EQ(launcher.state().kind, Kind::Succeeded);
}

TEST(ProcessConverter, WaitTimesOutAndKillReapsTheProcess) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(script(folder, "exec sleep 30"));
    launcher.launch(folder.pathWithSlash());
    EXPECT_EQ(launcher.waitFor(50ms).kind, Kind::Running);
    launcher.kill();
    EXPECT_EQ(launcher.state().kind, Kind::Failed);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // no child left behind, not even a zombie
}

TEST(ProcessConverter, DestructionLeavesNoChildBehind) {
    TemporaryFolder folder;
    {
        ProcessConverterLauncher launcher(script(folder, "exec sleep 30"));
        launcher.launch(folder.pathWithSlash());
    }
    {
        ProcessConverterLauncher launcher(script(folder, "exit 0"));
        launcher.launch(folder.pathWithSlash());
        ::usleep(100000);  // ended, not yet reaped
    }
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(ProcessConverter, LaunchWaitsForTheRunBefore) {
    TemporaryFolder folder;
    ProcessConverterLauncher launcher(script(folder, "sleep 0.2; echo run >> runs.txt"));
    launcher.launch(folder.pathWithSlash());
    launcher.launch(folder.pathWithSlash());  // the first run has ended before this one starts
    EXPECT_EQ(readText(folder / "runs.txt"), "run\n");
    EXPECT_EQ(launcher.waitFor(10s).kind, Kind::Succeeded);
    EXPECT_EQ(readText(folder / "runs.txt"), "run\nrun\n");
}

TEST(ProcessConverter, FoundOnThePath) {
    TemporaryFolder folder;
    const std::string beside =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/bmconv";
    if (std::filesystem::exists(beside)) {
        EXPECT_EQ(ProcessConverterLauncher::findConverter(), beside);
        return;
    }
    testing::writeScriptConverter(folder.pathWithSlash());
    const char* saved = std::getenv("PATH");
    std::string savedPath = saved ? saved : "";
    const std::string bare = folder.pathWithSlash().substr(0, folder.pathWithSlash().size() - 1);
    ::setenv("PATH", ("/nonexistent:" + bare + ":/usr/bin:/bin").c_str(), 1);
    std::string found = ProcessConverterLauncher::findConverter();
    ::setenv("PATH", "/nonexistent:/usr/bin", 1);
    std::string notFound = ProcessConverterLauncher::findConverter();
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(found, folder / "bmconv");
    if (!std::filesystem::exists("/usr/bin/bmconv")) {
        EXPECT_EQ(notFound, "");
    }
}

}  // namespace
}  // namespace felmo
