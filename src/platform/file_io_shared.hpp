// What the POSIX and Windows sides of file_io share: the staging names and the private tree.
#pragma once

#include <mutex>
#include <string>

#include "platform/native.hpp"

namespace felmo::file_io_detail {

// A hidden name for writing `name` under, unique enough that two writers never meet:
// ".<name>.<16 hexadecimal digits>.tmp".
std::string temporaryNameFor(const std::string& name);

// The private tree of PrivateTreeWrites, if any.
struct PrivateTree {
    std::mutex lock;
    std::string root;  // ends in the separator
    NativeHandle folder = kNoNativeHandle;
};
PrivateTree& privateTree();

// Whether `text` lies below the private tree's root (the caller holds the tree's lock).
bool isBelowPrivateRoot(const PrivateTree& tree, const std::string& text);

}  // namespace felmo::file_io_detail
