#include "workspace/user_mbm_walk.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>

#include "base/ascii.hpp"
#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "mbm/mbm_reader.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "workspace/run_budget.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

bool endsWithMbm(const std::string& name) {
    return endsWithIgnoringAsciiCase(name, ".mbm");
}

// The name a user file gets in WorkDir: a slot's file takes the slot's own spelling.
std::string nameInWorkDir(const std::string& name) {
    if (const MbmSlot* slot = findSlot(std::string_view(name).substr(0, name.size() - 4)))
        return std::string(slot->name) + ".mbm";
    return name;
}

struct Walk {
    std::string workDir;
    std::vector<std::string> foundMbmNames;
    std::map<std::string, std::size_t> copiedBytes;  // by name in WorkDir: a later copy replaces
    std::size_t totalCopiedBytes = 0;
    std::map<std::string, std::int64_t> unpackedPixels;  // by slot file name in WorkDir
    std::int64_t totalUnpackedPixels = 0;
    std::map<std::string, std::uint64_t> workTreeBytes;  // the copy and its unpacked frames
    std::uint64_t totalWorkTreeBytes = 0;
    std::uint64_t workTreeAllowance = 0;
    std::vector<std::string>* refusals = nullptr;

    void refuse(const fs::path& file, const std::string& why) {
        if (refusals)
            refusals->push_back(formatMessage(_("Файл %1 пропущен: это не графика телефона (%2)."),
                                              displayText(utf8FromPath(file)), why));
    }

    // Reads a user file and says why it cannot be a phone graphic, if it cannot.
    std::optional<std::string> problemOf(const std::vector<std::uint8_t>& bytes) const {
        // The sizes alone: a file whose pictures are too large for the reader still tells them,
        // and a damaged one is the converter's to report.
        for (const MbmBitmapSize& size : readMbmBitmapSizes(bytes)) {
            if (size.width > kMaxUserMbmSide || size.height > kMaxUserMbmSide)
                return formatMessage(_("в нём картинка %1 x %2 точек, больше %3 по стороне"),
                                     size.width, size.height, kMaxUserMbmSide);
        }
        return std::nullopt;
    }

    // The pixels the start-up unpacks from a file copied as `target` (a slot's first frames),
    // and the bytes of the BMP files they become.
    struct Unpacked {
        std::int64_t pixels = 0;
        std::uint64_t fileBytes = 0;
    };
    static Unpacked unpackedFrom(const std::vector<std::uint8_t>& bytes,
                                 const std::string& target) {
        const MbmSlot* slot = findSlot(std::string_view(target).substr(0, target.size() - 4));
        if (slot == nullptr)
            return {};
        Unpacked unpacked;
        const std::vector<MbmBitmapSize> sizes = readMbmBitmapSizes(bytes);
        for (std::size_t i = 0; i < sizes.size() && i < static_cast<std::size_t>(slot->frameCount);
             ++i) {
            unpacked.pixels += std::int64_t{sizes[i].width} * sizes[i].height;
            unpacked.fileBytes += bmpFileBytes(sizes[i].width, sizes[i].height);
        }
        return unpacked;
    }

    void copy(const fs::path& file, const std::string& target) {
        std::vector<std::uint8_t> bytes;
        try {
            bytes = readWholeFile(file, kMaxUserMbmBytes);
        } catch (const Error& error) {
            const std::optional<std::uintmax_t> size = regularFileSize(file);
            if (size && *size > kMaxUserMbmBytes) {
                refuse(file, formatMessage(_("больше %1 МБ"), kMaxUserMbmBytes >> 20));
                return;
            }
            foundMbmNames.push_back(target);  // unreadable: recorded, the default stays
            return;
        }
        if (const std::optional<std::string> problem = problemOf(bytes)) {
            refuse(file, *problem);
            return;
        }
        const std::size_t replaced = copiedBytes.count(target) ? copiedBytes[target] : 0;
        if (totalCopiedBytes - replaced + bytes.size() > kMaxUserMbmCopyBytes) {
            refuse(file, formatMessage(_("файлов .mbm в папке вывода больше %1 МБ"),
                                       kMaxUserMbmCopyBytes >> 20));
            return;
        }
        const Unpacked unpacked = unpackedFrom(bytes, target);
        const std::int64_t pixels = unpacked.pixels;
        const std::int64_t replacedPixels =
            unpackedPixels.count(target) ? unpackedPixels[target] : 0;
        if (totalUnpackedPixels - replacedPixels + pixels > kMaxUserMbmUnpackedPixels) {
            refuse(file, formatMessage(_("картинок в файлах слотов вместе больше %1 Мпикс"),
                                       kMaxUserMbmUnpackedPixels >> 20));
            return;
        }
        const std::uint64_t treeBytes = bytes.size() + unpacked.fileBytes;
        const std::uint64_t replacedTreeBytes =
            workTreeBytes.count(target) ? workTreeBytes[target] : 0;
        if (totalWorkTreeBytes - replacedTreeBytes + treeBytes > workTreeAllowance) {
            refuse(file, formatMessage(_("файлы .mbm с их кадрами заняли бы во временной папке "
                                         "больше %1 МБ"),
                                       megabytesText(workTreeAllowance)));
            return;
        }
        try {
            writeFileAtomically(workDir + target, bytes);
            totalCopiedBytes = totalCopiedBytes - replaced + bytes.size();
            copiedBytes[target] = bytes.size();
            totalUnpackedPixels = totalUnpackedPixels - replacedPixels + pixels;
            unpackedPixels[target] = pixels;
            totalWorkTreeBytes = totalWorkTreeBytes - replacedTreeBytes + treeBytes;
            workTreeBytes[target] = treeBytes;
        } catch (const Error&) {
            // A copy that fails leaves the default (or an earlier copy) in place.
        }
        foundMbmNames.push_back(target);
    }
};

void visitFolder(const fs::path& folder, Walk& walk) {
    std::vector<std::string> files;
    std::vector<std::string> subFolders;
    std::optional<std::vector<FolderEntry>> entries = listFolder(folder);
    if (!entries)
        return;  // a folder that cannot be read is skipped; the walk goes on
    for (FolderEntry& entry : *entries) {
        if (entry.name.empty() || entry.name.front() == '.')
            continue;
        if (entry.kind == FolderEntry::Kind::File && endsWithMbm(entry.name))
            files.push_back(std::move(entry.name));
        else if (entry.kind == FolderEntry::Kind::Folder)
            subFolders.push_back(std::move(entry.name));
    }
    // Sorted, so that the copy that wins among files of one name does not depend on the order
    // in which the file system happens to list a folder.
    std::sort(files.begin(), files.end());
    std::sort(subFolders.begin(), subFolders.end());

    for (const std::string& name : files)
        walk.copy(folder / pathFromUtf8(name), nameInWorkDir(name));
    for (const std::string& name : subFolders)
        visitFolder(folder / pathFromUtf8(name), walk);
}

}  // namespace

std::vector<std::string> CopyUserMbmFiles(const std::string& outputFolder,
                                          const std::string& workDir,
                                          std::vector<std::string>* refusals,
                                          std::uint64_t workTreeAllowance) {
    Walk walk;
    walk.workDir = workDir;
    walk.refusals = refusals;
    walk.workTreeAllowance = workTreeAllowance;
    if (outputFolder.empty() || !isFolder(outputFolder))
        return {};
    visitFolder(pathFromUtf8(outputFolder), walk);
    return std::move(walk.foundMbmNames);
}

}  // namespace felmo
