// Turns one image description into the image's bytes and the C++ source
// that embeds them. Run by the build for every carried image:
//
//   reflasher-imagegen DESCRIPTION OUT.bin OUT.cpp FUNCTION
//
// and for each of the maker's images a build is given (REFLASHER_FIRMWARE_DIR),
// which it only embeds:
//
//   reflasher-imagegen --embed IMAGE OUT.cpp FUNCTION

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ImageDescription.h"

namespace {

bool WriteFile(const char* pszPath, const char* pData, std::size_t nLength) {
    std::ofstream out(pszPath, std::ios::binary | std::ios::trunc);
    out.write(pData, static_cast<std::streamsize>(nLength));
    out.close();
    return !out.fail();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: reflasher-imagegen DESCRIPTION OUT.bin OUT.cpp FUNCTION\n"
                     "       reflasher-imagegen --embed IMAGE OUT.cpp FUNCTION\n");
        return 2;
    }
    std::ifstream in(argv[argc == 5 && std::string(argv[1]) == "--embed" ? 2 : 1],
                     std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (std::string(argv[1]) == "--embed") {
        const std::string strBytes = text.str();
        const std::vector<std::uint8_t> image(strBytes.begin(), strBytes.end());
        std::string strName = argv[2];
        strName = strName.substr(strName.find_last_of('/') + 1);
        const std::string source = rf::imagegen::EmbedSource(image, argv[4], strName);
        if (!WriteFile(argv[3], source.data(), source.size())) {
            std::fprintf(stderr, "%s: the output cannot be written\n", argv[3]);
            return 1;
        }
        return 0;
    }

    std::vector<std::uint8_t> image;
    std::string strError;
    if (!rf::imagegen::BuildImage(text.str(), image, strError)) {
        std::fprintf(stderr, "%s:%s\n", argv[1], strError.c_str());
        return 1;
    }
    std::string strName = argv[1];
    strName = strName.substr(strName.find_last_of('/') + 1);
    const std::string source = rf::imagegen::EmbedSource(image, argv[4], strName);
    if (!WriteFile(argv[2], reinterpret_cast<const char*>(image.data()), image.size()) ||
        !WriteFile(argv[3], source.data(), source.size())) {
        std::fprintf(stderr, "%s: the outputs cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
