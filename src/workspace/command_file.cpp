#include "workspace/command_file.hpp"

#include <cstdint>
#include <span>

#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "workspace/paths.hpp"

namespace felmo {

bool isConverterColourDepth(std::string_view depthText) {
    for (std::string_view depth : kConverterColourDepths)
        if (depthText == depth)
            return true;
    return false;
}

std::string converterColourDepthList(std::string_view lastJoin) {
    std::string list;
    for (std::size_t i = 0; i < kConverterColourDepths.size(); ++i) {
        if (i > 0)
            list +=
                i + 1 == kConverterColourDepths.size() ? " " + std::string(lastJoin) + " " : ", ";
        list += kConverterColourDepths[i];
    }
    return list;
}

void checkColourDepthText(std::string_view depthText) {
    if (!isConverterColourDepth(depthText))
        throw Error(formatMessage(_("Глубина цвета \"%1\" не подходит конвертеру: допустимы %2."),
                                  displayText(depthText), converterColourDepthList(_("и"))));
}

void checkCommandFilePath(std::string_view path) {
    if (path.find_first_of(std::string_view("\"\r\n\0", 4)) != std::string_view::npos)
        throw Error(formatMessage(
            _("Путь \"%1\" нельзя передать конвертеру: в нём есть кавычка или перевод строки."),
            displayText(path)));
}

std::string commandFileToken(std::string_view path) {
    checkCommandFilePath(path);
    const bool needsQuotes =
        path.find_first_of(" \t\v\f") != std::string_view::npos || path.substr(0, 2) == "//";
    return needsQuotes ? "\"" + std::string(path) + "\"" : std::string(path);
}

std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot) {
#ifdef _WIN32
    return windows_command_file::unpackCommandLines(workDir, slot);
#else
    std::vector<std::string> lines;
    lines.push_back(" -u " + commandFileToken(slotSourcePath(workDir, slot)));
    for (int frame = 0; frame <= slot.lastFrameIndex; ++frame)
        lines.push_back(commandFileToken(framePath(workDir, slot, frame)));
    return lines;
#endif
}

std::vector<std::string> packCommandLines(std::string_view workDir, const MbmSlot& slot,
                                          std::string_view depthText) {
    checkColourDepthText(depthText);
#ifdef _WIN32
    return windows_command_file::packCommandLines(workDir, slot, depthText);
#else
    std::vector<std::string> lines;
    lines.push_back(commandFileToken(builtFilePath(workDir, slot)));
    for (int frame = 0; frame <= slot.lastFrameIndex; ++frame)
        lines.push_back("-c" + std::string(depthText) +
                        commandFileToken(framePath(workDir, slot, frame)));
    return lines;
#endif
}

std::string commandFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            throw Error(formatMessage(
                _("Строка файла команд конвертера содержит перевод строки: \"%1\"."), line));
        text += line;
        text += "\r\n";
    }
    return text;
}

void writeCommandFile(std::string_view programDirectory, const std::vector<std::string>& lines) {
    const std::string text = commandFileText(lines);
    writeFileAtomically(commandFilePath(programDirectory),
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void deleteCommandFile(std::string_view programDirectory) {
    removeFile(commandFilePath(programDirectory));
}

namespace windows_command_file {

std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot) {
    std::vector<std::string> lines;
    lines.push_back(" /u " +
                    commandFileToken(std::string(workDir) + std::string(slot.name) + ".mbm"));
    for (int frame = 0; frame <= slot.lastFrameIndex; ++frame)
        lines.push_back(commandFileToken(windows_paths::framePath(workDir, slot, frame)));
    return lines;
}

std::vector<std::string> packCommandLines(std::string_view workDir, const MbmSlot& slot,
                                          std::string_view depthText) {
    checkColourDepthText(depthText);
    std::vector<std::string> lines;
    // The target is written whole: the work tree is in the user's temporary folder, which a
    // path from the root of the program's drive cannot be relied on to reach.
    lines.push_back(commandFileToken(windows_paths::builtFilePath(workDir, slot)));
    for (int frame = 0; frame <= slot.lastFrameIndex; ++frame)
        lines.push_back("/c" + std::string(depthText) +
                        commandFileToken(windows_paths::framePath(workDir, slot, frame)));
    return lines;
}

}  // namespace windows_command_file

}  // namespace felmo
