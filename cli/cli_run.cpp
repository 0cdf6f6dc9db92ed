#include "cli/cli_run.hpp"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>

#include "base/error.hpp"
#include "base/stop_request.hpp"
#include "base/translation.hpp"
#include "cli/cli_arguments.hpp"
#include "platform/interruption.hpp"
#include "studio/front_end.hpp"
#include "studio/studio.hpp"
#include "workspace/language_choice.hpp"
#include "workspace/paths.hpp"

namespace felmo::cli {
namespace {

constexpr const char* kProgram = "felmo-cli";

// The dialogs answer with what the command line gave: the picture (or colour) of the command being
// run; a dialog no argument answers is cancelled. The notice is printed; folders are not opened.
class CommandLineFrontEnd : public FrontEnd {
  public:
    explicit CommandLineFrontEnd(std::ostream& out) : out_(out) {}

    void answerPictureDialogWith(std::filesystem::path picture) { picture_ = std::move(picture); }
    void answerColourDialogWith(Color colour) { colour_ = colour; }
    void forgetAnswers() {
        picture_.reset();
        colour_.reset();
    }

    std::optional<std::filesystem::path> choosePicture() override {
        std::optional<std::filesystem::path> chosen = std::move(picture_);
        picture_.reset();
        return chosen;
    }
    std::optional<Color> chooseColour(Color /*initial*/) override {
        std::optional<Color> chosen = colour_;
        colour_.reset();
        return chosen;
    }
    void showNotice(const std::string& text) override { out_ << text << '\n' << std::flush; }
    void openFolder(const std::filesystem::path& /*folder*/) override {}

  private:
    std::ostream& out_;
    std::optional<std::filesystem::path> picture_;
    std::optional<Color> colour_;
};

void execute(Studio& studio, CommandLineFrontEnd& frontEnd, const Command& command) {
    switch (command.kind) {
        case CommandKind::Background:
            frontEnd.answerPictureDialogWith(command.path);
            studio.WallPaper();
            break;
        case CommandKind::Splash:
            frontEnd.answerPictureDialogWith(command.path);
            studio.Splashscreen1Click();
            break;
        case CommandKind::Welcome:
            frontEnd.answerPictureDialogWith(command.path);
            studio.LoadWelcomeimage();
            break;
        case CommandKind::Effect:
            if (!command.path.empty())
                frontEnd.answerPictureDialogWith(command.path);
            studio.runEffect(*command.effect);
            break;
        case CommandKind::Strip:
            studio.setTrackBar1(command.stripPosition);
            break;
        case CommandKind::StripColour:
            frontEnd.answerColourDialogWith(command.colour);
            studio.LinesPictureClick();
            break;
        case CommandKind::Depth:
            for (const DepthSetting& depth : command.depths)
                studio.build().setDepthText(depth.box, depth.text);
            break;
        case CommandKind::Build:
            studio.N7Click();
            studio.build().runToEnd();
            break;
        case CommandKind::Export:
            studio.build().exportFrames(command.path);
            break;
        case CommandKind::ExportAnimation:
            studio.build().exportAnimation(command.path);
            break;
        case CommandKind::ExportPoster:
            studio.build().exportPoster(command.path);
            break;
        case CommandKind::Overlay:
            // The picture, then the window opens (its activation marks the overlay dirty) and
            // the next TimerEidPic tick composes.
            frontEnd.answerPictureDialogWith(command.path);
            studio.LoadImposingEidPic();
            studio.SettingsImposingEidPic();
            studio.TimerEidPicTimer();
            break;
        case CommandKind::OverlaySet:
            studio.setOverlay(command.overlay);
            break;
    }
    frontEnd.forgetAnswers();
}

// Runs `step`; a failure is reported under `what` and gives false.
template <typename Step>
bool reportFailure(std::ostream& err, const std::string& what, Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception& failure) {
        err << kProgram << ": " << what << ": " << failure.what() << '\n';
        return false;
    }
}

int runSession(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    // An interruption (SIGINT, SIGTERM; Ctrl+C on Windows) ends the run as a failed command does:
    // the work tree goes, the settings are written.
    requestStopOnInterruption();
    CommandLineFrontEnd frontEnd(out);
    StudioConfig config;
    config.executablePath = currentExecutablePath();
    config.settingsFile = invocation.settingsFile;
    config.outputFolder = invocation.outputFolder;
    config.limits =
        runLimitsFromEnvironment([](const char* name) -> const char* { return std::getenv(name); });
    Studio studio(frontEnd, std::move(config));

    WindowPosition position;
    bool succeeded = reportFailure(err, _("запуск"), [&] {
        position = studio.FormCreate();
        studio.FormActivate();
        studio.build().runToEnd();
    });
    // Files passed over at start-up are told; the run goes on without them.
    for (const std::string& refusal : studio.session().startUpRefusals())
        err << kProgram << ": " << _("запуск") << ": " << refusal << '\n';

    std::vector<Command> commands = invocation.commands;
    if (commands.empty()) {
        Command build;
        build.kind = CommandKind::Build;
        build.word = "build";
        commands.push_back(build);
    }
    for (const Command& command : commands) {
        if (!succeeded || stopRequested())
            break;
        succeeded = reportFailure(err, command.word, [&] { execute(studio, frontEnd, command); });
    }

    // The work tree goes and the settings are written whatever happened before.
    if (!reportFailure(err, _("завершение"),
                       [&] { studio.FormClose(position.left, position.top); }))
        succeeded = false;
    if (const int signalNumber = stopRequested())
        return 128 + signalNumber;  // as a shell reports a run ended by that signal
    return succeeded ? 0 : 1;
}

// The language is decided before anything is printed: --language, else the Language setting of
// the settings file this run uses, else the desktop's.
void speakTheLanguageOfTheRun(std::span<const std::string> arguments) {
    const LanguageOptions options = scanLanguageOptions(arguments);
    const Language language =
        options.language ? *options.language : languageOfRun(options.settingsFile);
    useLanguage(language, localeFolderBeside(currentExecutablePath()));
}

}  // namespace

int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    speakTheLanguageOfTheRun(arguments);
    Invocation invocation;
    try {
        invocation = parseArguments(arguments);
    } catch (const UsageError& mistake) {
        err << kProgram << ": " << mistake.what() << '\n'
            << formatMessage(_("Подробнее: %1 --help"), kProgram) << '\n';
        return 2;
    }
    switch (invocation.mode) {
        case Mode::Help:
            out << helpText();
            return 0;
        case Mode::List:
            out << effectListText();
            return 0;
        case Mode::Version:
            out << versionText();
            return 0;
        case Mode::Run:
            break;
    }
    try {
        return runSession(invocation, out, err);
    } catch (const std::exception& failure) {
        err << kProgram << ": " << failure.what() << '\n';
        return 1;
    }
}

}  // namespace felmo::cli
