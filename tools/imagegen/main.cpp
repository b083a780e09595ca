// Turns one image description into the image's bytes and the C++ source
// that embeds them. Run by the build for every carried image:
//
//   reflasher-imagegen DESCRIPTION OUT.bin OUT.cpp FUNCTION
//
// for each of the maker's images a build is given (REFLASHER_FIRMWARE_DIR),
// which it only embeds:
//
//   reflasher-imagegen --embed IMAGE OUT.cpp FUNCTION
//
// and for a stand-in of the maker's image (ImageDescription.h), which tests
// and the check of a build with the maker's images use:
//
//   reflasher-imagegen --stand-in DESCRIPTION OUT.bin [OUT.cpp FUNCTION]
//
// A stand-in is never written into the source tree (only below its build/
// folder, where the presets put their build trees): in the tree it would
// soon be taken for the maker's image.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ImageDescription.h"

namespace {

namespace fs = std::filesystem;

bool WriteFile(const char* pszPath, const char* pData, std::size_t nLength) {
    std::ofstream out(pszPath, std::ios::binary | std::ios::trunc);
    out.write(pData, static_cast<std::streamsize>(nLength));
    out.close();
    return !out.fail();
}

bool ReadText(const char* pszPath, std::string& text) {
    std::ifstream in(pszPath, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream stream;
    stream << in.rdbuf();
    text = stream.str();
    return true;
}

std::string BaseName(const std::string& strPath) {
    return strPath.substr(strPath.find_last_of('/') + 1);
}

// The source tree that holds the path, found by this program's own sources,
// when the path lies in it outside its build/ folder.
bool InSourceTree(const fs::path& path) {
    std::error_code error;
    const fs::path target = fs::weakly_canonical(fs::absolute(path, error), error);
    for (fs::path directory = target.parent_path(); !directory.empty();
         directory = directory.parent_path()) {
        if (fs::exists(directory / "tools" / "imagegen" / "ImageDescription.h", error)) {
            const fs::path inside = target.lexically_relative(directory);
            return inside.empty() || *inside.begin() != "build";
        }
        if (directory == directory.parent_path()) {
            break;
        }
    }
    return false;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: reflasher-imagegen DESCRIPTION OUT.bin OUT.cpp FUNCTION\n"
                 "       reflasher-imagegen --embed IMAGE OUT.cpp FUNCTION\n"
                 "       reflasher-imagegen --stand-in DESCRIPTION OUT.bin [OUT.cpp FUNCTION]\n");
    return 2;
}

int Embed(char** argv) {
    std::string strBytes;
    if (!ReadText(argv[2], strBytes)) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[2]);
        return 1;
    }
    const std::vector<std::uint8_t> image(strBytes.begin(), strBytes.end());
    const std::string source = rf::imagegen::EmbedSource(image, argv[4], BaseName(argv[2]));
    if (!WriteFile(argv[3], source.data(), source.size())) {
        std::fprintf(stderr, "%s: the output cannot be written\n", argv[3]);
        return 1;
    }
    return 0;
}

// pszSource and pszFunction are null when no source is wanted.
int Build(const char* pszDescription, const char* pszBinary, const char* pszSource,
          const char* pszFunction, rf::imagegen::ImageMode mode) {
    std::string text;
    if (!ReadText(pszDescription, text)) {
        std::fprintf(stderr, "%s: cannot be read\n", pszDescription);
        return 1;
    }
    std::vector<std::uint8_t> image;
    std::string strError;
    if (!rf::imagegen::BuildImage(text, image, strError, mode)) {
        std::fprintf(stderr, "%s:%s\n", pszDescription, strError.c_str());
        return 1;
    }
    bool bWritten = WriteFile(pszBinary, reinterpret_cast<const char*>(image.data()), image.size());
    if (pszSource != nullptr) {
        const std::string source =
            rf::imagegen::EmbedSource(image, pszFunction, BaseName(pszDescription));
        bWritten = bWritten && WriteFile(pszSource, source.data(), source.size());
    }
    if (!bWritten) {
        std::fprintf(stderr, "%s: the outputs cannot be written\n", pszDescription);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strFirst = argc > 1 ? argv[1] : "";
    if (strFirst == "--embed") {
        return argc == 5 ? Embed(argv) : Usage();
    }
    if (strFirst == "--stand-in") {
        if (argc != 4 && argc != 6) {
            return Usage();
        }
        for (int i = 3; i < (argc == 6 ? 5 : 4); ++i) {
            if (InSourceTree(argv[i])) {
                std::fprintf(stderr,
                             "%s: a stand-in for the maker's image is not written into the "
                             "source tree (only below its build/ folder)\n",
                             argv[i]);
                return 1;
            }
        }
        return Build(argv[2], argv[3], argc == 6 ? argv[4] : nullptr, argc == 6 ? argv[5] : nullptr,
                     rf::imagegen::ImageMode::StandIn);
    }
    if (argc != 5) {
        return Usage();
    }
    return Build(argv[1], argv[2], argv[3], argv[4], rf::imagegen::ImageMode::Test);
}
