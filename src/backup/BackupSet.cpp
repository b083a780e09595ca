#include "backup/BackupSet.h"

#include <algorithm>

#include "base/DurableFile.h"
#include "base/FilePath.h"

namespace rf {

namespace fs = std::filesystem;

namespace {

// A durable write leaves "NAME.new" behind when it is cut.
constexpr std::string_view kUnfinishedSuffix = ".new";

std::string JoinNames(const std::vector<std::string>& names) {
    std::string strNames;
    for (const std::string& strName : names) {
        strNames += (strNames.empty() ? "" : ", ") + strName;
    }
    return strNames;
}

}  // namespace

CBackupSet::CBackupSet(fs::path target, std::vector<std::string> fileNames)
    : m_fileNames(std::move(fileNames)) {
    std::error_code error;
    target = fs::absolute(target, error).lexically_normal();
    // "DIR/" names DIR.
    if (!target.has_filename() && target.has_parent_path() && target != target.root_path()) {
        target = target.parent_path();
    }
    m_target = target;
    // Hidden, beside the target, so that the renames stay on one file
    // system and the names tell whose they are.
    const std::string strName = PathToUtf8(target.filename());
    m_new = target.parent_path() / PathFromUtf8("." + strName + ".backup-new");
    m_old = target.parent_path() / PathFromUtf8("." + strName + ".backup-old");
}

CBackupSet::~CBackupSet() {
    if (m_bBegun && !m_bCommitted) {
        std::error_code error;
        fs::remove_all(m_new, error);
    }
}

std::vector<std::string> CBackupSet::Foreign(const fs::path& directory) const {
    std::vector<std::string> foreign;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string strName = PathToUtf8(it->path().filename());
        std::string_view name = strName;
        if (name.ends_with(kUnfinishedSuffix)) {
            name.remove_suffix(kUnfinishedSuffix.size());
        }
        const bool bOurs =
            std::find(m_fileNames.begin(), m_fileNames.end(), name) != m_fileNames.end();
        std::error_code kindError;
        if (!bOurs || !it->is_regular_file(kindError)) {
            foreign.push_back(strName);
        }
    }
    if (error) {
        foreign.push_back("(" + error.message() + ")");
    }
    std::sort(foreign.begin(), foreign.end());
    return foreign;
}

// A directory of this program's own naming, left by a run that was cut:
// removed, unless something else was put into it.
bool CBackupSet::RemoveOwn(const fs::path& directory, std::string& strError) const {
    std::error_code error;
    if (!fs::exists(directory, error)) {
        return true;
    }
    if (const std::vector<std::string> foreign = Foreign(directory); !foreign.empty()) {
        strError = PathToUtf8(directory) + " holds files that are not part of a backup (" +
                   JoinNames(foreign) + "); it is left as it is";
        return false;
    }
    fs::remove_all(directory, error);
    if (error) {
        strError = "cannot remove " + PathToUtf8(directory) + ": " + error.message();
        return false;
    }
    return true;
}

bool CBackupSet::Begin(std::string& strError) {
    std::error_code error;
    if (!m_target.has_filename() || m_target == m_target.root_path()) {
        strError = PathToUtf8(m_target) + " cannot hold a backup: name a directory of its own";
        return false;
    }
    // A run cut between its two renames left the earlier backup aside and
    // no target: it goes back first.
    if (!fs::exists(m_target, error) && fs::is_directory(m_old, error)) {
        fs::rename(m_old, m_target, error);
        if (error) {
            strError = "cannot put " + PathToUtf8(m_old) + " back in place of " +
                       PathToUtf8(m_target) + ": " + error.message();
            return false;
        }
    }
    // Replacing a link would move the backup away from where it points.
    if (fs::is_symlink(m_target, error)) {
        strError = PathToUtf8(m_target) + " is a symbolic link: name the directory it points to";
        return false;
    }
    if (fs::exists(m_target, error)) {
        if (!fs::is_directory(m_target, error)) {
            strError = PathToUtf8(m_target) + " is not a directory";
            return false;
        }
        // The new set replaces the directory whole: anything in it that
        // is not a backup's would be lost.
        if (const std::vector<std::string> foreign = Foreign(m_target); !foreign.empty()) {
            strError = PathToUtf8(m_target) + " holds files that are not part of a backup (" +
                       JoinNames(foreign) +
                       "); a backup replaces its directory whole, so name an empty or a new one";
            return false;
        }
    }
    if (!RemoveOwn(m_new, strError) || !RemoveOwn(m_old, strError)) {
        return false;
    }
    fs::create_directories(m_target.parent_path(), error);
    if (!fs::create_directory(m_new, error) || error) {
        strError = "cannot create " + PathToUtf8(m_new) +
                   (error ? ": " + error.message() : std::string(": it exists"));
        return false;
    }
    m_bBegun = true;
    return true;
}

bool CBackupSet::Write(std::string_view name, std::span<const BYTE> bytes, std::string& strError) {
    const fs::path path = m_new / PathFromUtf8(std::string(name));
    if (!m_bBegun || !WriteFileDurably(path, bytes)) {
        strError = "cannot write " + PathToUtf8(path);
        return false;
    }
    return true;
}

bool CBackupSet::Commit(std::string& strError) {
    std::error_code error;
    const bool bEarlier = fs::exists(m_target, error);
    if (bEarlier && !RenameDurably(m_target, m_old)) {
        strError = "cannot move the earlier backup " + PathToUtf8(m_target) + " aside";
        return false;
    }
    if (!RenameDurably(m_new, m_target)) {
        strError = "cannot put the new backup in place of " + PathToUtf8(m_target);
        if (bEarlier && !RenameDurably(m_old, m_target)) {
            strError += "; the earlier backup is kept in " + PathToUtf8(m_old);
        }
        return false;
    }
    m_bCommitted = true;
    // The earlier set is whole beside the new one until here; a failure to
    // remove it is tidied by the next backup.
    fs::remove_all(m_old, error);
    return true;
}

}  // namespace rf
