// CopyUserMbmFiles: the user's own .mbm files in the output folder replace the defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace felmo {

// Walks `outputFolder` depth-first and copies every user .mbm file into `workDir`, flat.
//
//   - files: regular files (not symbolic links) whose name ends in ".mbm" in any letter case and
//     does not begin with "."
//   - sub-folders: real folders (not symbolic links) whose name does not begin with "."
//   - a folder's files are copied before its sub-folders are entered; files and sub-folders are
//     taken in byte order of their names, so the result does not depend on the file system
//   - every copy lands in workDir under its own name, replacing what is there: of several files
//     of the same name, the last copied wins (so a sub-folder's file wins over its parent's)
//   - a file named like a slot in another letter case (STARTUP.MBM) is copied under the slot's
//     own spelling (startup.mbm), so it replaces that slot's default
//   - a folder that cannot be read is skipped and the walk goes on; a copy that fails is skipped
//     and its name is recorded all the same
//   - a file that cannot be a phone graphic (over kMaxUserMbmBytes, or holding a bitmap wider or
//     taller than kMaxUserMbmSide) is neither copied nor recorded: that slot keeps the copy before
//     it or the default. So is a file that would take the copies in WorkDir past
//     kMaxUserMbmCopyBytes in all, or a slot's file that would take the pictures the start-up
//     unpacks (each slot's first frameCount bitmaps) past kMaxUserMbmUnpackedPixels in all, or
//     whose copy and the frames unpacked from it would take what the copies add to the work tree
//     past `workTreeAllowance` bytes (a slot's frames are 24-bit BMP files). Each refusal is
//     added to `refusals` as a message naming the file
//
// Returns FoundMbmNames: the name of every copy in workDir, in the order of copying, in full (a
// long name is kept whole, so the copy can be deleted later). Returns an empty list when the
// output folder does not exist. The process's current directory is never changed.
inline constexpr std::size_t kMaxUserMbmBytes = std::size_t{8} << 20;
inline constexpr int kMaxUserMbmSide = 1024;
inline constexpr std::size_t kMaxUserMbmCopyBytes = std::size_t{32} << 20;
// The start-up writes every unpacked picture as a 24-bit BMP and a build may pack them again at
// up to 32 bits, so 8 Mi pixels bound that to about 56 MB of the work tree beside the copies
// (all five slots of phone-sized pictures take under 0.8 Mi pixels).
inline constexpr std::int64_t kMaxUserMbmUnpackedPixels = std::int64_t{8} << 20;

std::vector<std::string> CopyUserMbmFiles(
    const std::string& outputFolder, const std::string& workDir,
    std::vector<std::string>* refusals = nullptr,
    std::uint64_t workTreeAllowance = std::numeric_limits<std::uint64_t>::max());

}  // namespace felmo
