#pragma once

// File names travel through the program as UTF-8 (std::string) or UTF-16.
// A narrow std::filesystem::path is taken in the system's code page on
// Windows, which would garble every name outside ASCII, so paths are made
// from and turned back into UTF-8 here.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace rf {

std::filesystem::path PathFromUtf8(std::string_view strPath);
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf16(std::u16string_view strPath);

// The system's reason for the last failed call on a file (errno), as the
// system words it, for a message that names the path beside it.
std::string LastFileErrorText();
// The system's text of an error number (errno) or of a failed file
// operation's code, in the language of the user's locale where the
// system has one.
std::string SystemErrorText(int nError);
std::string SystemErrorText(const std::error_code& error);

// The whole file; false when it cannot be opened or read to its end.
bool ReadFileBytes(const std::filesystem::path& path, std::vector<unsigned char>& bytes);

// Whether files can be made in the directory, or in the nearest directory
// above it that exists when it does not yet (it would be made there): a
// name made and removed again, so that the system itself answers, with
// its permissions, a file system mounted read-only, or a plain file where
// a directory must be. False with the system's reason; nothing is left.
bool CanWriteInDirectory(const std::filesystem::path& directory, std::string& strReason);

// Writes the file under a temporary name beside it and renames it into
// place only once it is whole, so that a failed or interrupted write never
// leaves a partial file under the name, nor the temporary one. False with a
// message on failure; what stood under the name before is then untouched.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string& strError);

}  // namespace rf
