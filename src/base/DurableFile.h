#pragma once

// Small files that must survive the power going the moment after they were
// written: the new contents go beside the file, are forced to the disk and
// renamed over it, and the directory is forced too, so that afterwards
// either the whole old or the whole new file is found, never a part.

#include <filesystem>
#include <span>

#include "base/Types.h"

namespace rf {

// Creates the directory when needed. False when anything failed; the old
// file is then still whole.
bool WriteFileDurably(const std::filesystem::path& path, std::span<const BYTE> bytes);
// True when the file is gone (or was never there) and its removal is on the disk.
bool RemoveFileDurably(const std::filesystem::path& path);
// Renames a file or a directory to a name that is free, on the same file
// system; true once the rename is on the disk.
bool RenameDurably(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace rf
