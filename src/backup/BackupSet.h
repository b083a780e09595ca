#pragma once

// A backup is one set of files or none. Its files are written into a new
// directory beside the target and that directory takes the target's place
// only once the last file is whole, so an earlier backup's files are never
// left beside a new manifest, and a backup that fails (a refused read, a
// full disk) leaves the target as it was. What the target held must itself
// be a backup: replacing the directory whole must lose nothing else.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Types.h"

namespace rf {

class CBackupSet {
public:
    // fileNames: every name a backup can hold; the target may hold those
    // and nothing else.
    CBackupSet(std::filesystem::path target, std::vector<std::string> fileNames);
    // A set that was not put in place is removed.
    ~CBackupSet();
    CBackupSet(const CBackupSet&) = delete;
    CBackupSet& operator=(const CBackupSet&) = delete;

    // Checks the target (new, empty, or an earlier backup) and makes the
    // new directory beside it; false with a message when it cannot, before
    // anything is read or written.
    bool Begin(std::string& strError);
    bool Write(std::string_view name, std::span<const BYTE> bytes, std::string& strError);
    // Puts the new set in the target's place; the earlier one goes.
    bool Commit(std::string& strError);

private:
    // Entries of a directory that are not a backup's files, sorted.
    std::vector<std::string> Foreign(const std::filesystem::path& directory) const;
    bool RemoveOwn(const std::filesystem::path& directory, std::string& strError) const;

    std::filesystem::path m_target;
    std::filesystem::path m_new;
    std::filesystem::path m_old;
    std::vector<std::string> m_fileNames;
    bool m_bBegun = false;
    bool m_bCommitted = false;
};

}  // namespace rf
