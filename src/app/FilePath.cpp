#include "app/FilePath.h"

namespace rf {

std::filesystem::path PathFromUtf8(std::string_view strPath) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(strPath.data()), strPath.size()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromUtf16(std::u16string_view strPath) {
    // The library converts UTF-16 to the system's own form on each system.
    return std::filesystem::path(std::u16string(strPath));
}

}  // namespace rf
