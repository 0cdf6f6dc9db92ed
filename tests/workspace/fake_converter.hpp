// Stand-ins for the bitmap converter: a shell script run as a real process, and an in-process
// launcher whose every run can be told how to behave.
#pragma once

#include <sys/stat.h>

#include <deque>
#include <string>
#include <vector>

#include "text_files.hpp"
#include "workspace/converter.hpp"

namespace felmo::testing {

// A converter script: unpack writes every listed frame ("frame of <source>"), pack writes the
// target with each frame's depth option and content; both fail (exit 2) when an input is missing.
// Every run appends "<working directory> <argument count> <argument>" to launches.log there.
inline std::string writeScriptConverter(const std::string& folder) {
    const std::string path = folder + "bmconv";
    writeText(path, R"(#!/bin/sh
echo "$(pwd -P) $# $1" >> launches.log
tr -d '\r' < "$1" | {
  IFS= read -r first
  case "$first" in
    " -u "*)
      source="${first# -u }"
      [ -f "$source" ] || { echo "no source $source" >&2; exit 2; }
      while IFS= read -r frame; do printf 'frame of %s\n' "$source" > "$frame" || exit 3; done ;;
    *)
      : > "$first.part"
      while IFS= read -r line; do
        frame="/${line#*/}"
        [ -f "$frame" ] || { echo "no frame $frame" >&2; exit 2; }
        echo "${line%%/*}" >> "$first.part"
        cat "$frame" >> "$first.part"
      done
      mv "$first.part" "$first" ;;
  esac
}
)");
    ::chmod(path.c_str(), 0755);
    return path;
}

class FakeConverter : public ConverterLauncher {
  public:
    enum class Run {
        Convert,          // does the conversion and ends successfully
        FailWithMessage,  // writes nothing, ends with status 1 and a message
        WriteNothing,     // writes nothing, ends successfully
        CannotStart,      // never starts
        Hang,             // never ends
    };

    // How the next runs behave, in order; runs beyond the list convert.
    std::deque<Run> plan;
    // When false, a run stays Running until endRun(); its files appear when it ends.
    bool endRunsAtOnce = true;
    void endRun() { running_ = false; }

    std::vector<std::string> commandFiles;  // PackUnpack.txt as each run found it
    std::vector<std::string> workingDirectories;
    int kills = 0;

    void launch(const std::string& workingDirectory) override {
        workingDirectories.push_back(workingDirectory);
        commandFiles.push_back(readText(workingDirectory + "PackUnpack.txt"));
        current_ = plan.empty() ? Run::Convert : plan.front();
        if (!plan.empty())
            plan.pop_front();
        running_ = !endRunsAtOnce;
        ended_ = false;
    }

    ConverterState state() override {
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
            if (current_ == Run::Convert)
                convert(commandFiles.back());
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

    ConverterState waitFor(std::chrono::milliseconds) override { return state(); }
    int exitNotifier() const override { return -1; }
    void kill() override { ++kills; }

  private:
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            result.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return result;
    }

    static void convert(const std::string& commandFile) {
        std::vector<std::string> all = lines(commandFile);
        if (all[0].rfind(" -u ", 0) == 0) {
            const std::string source = all[0].substr(4);
            for (std::size_t i = 1; i < all.size(); ++i)
                writeText(all[i], "frame of " + source);
        } else {
            std::string packed;
            for (std::size_t i = 1; i < all.size(); ++i) {
                std::size_t slash = all[i].find('/');
                packed += all[i].substr(0, slash) + ":" + readText(all[i].substr(slash)) + ";";
            }
            writeText(all[0], packed);
        }
    }

    Run current_ = Run::Convert;
    bool running_ = false;
    bool ended_ = false;
};

}  // namespace felmo::testing
