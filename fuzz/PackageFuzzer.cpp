// A whole firmware package from bytes: a cabinet archive (the first byte
// even) or, the first byte odd, the files of a directory package, each as a
// name (one length byte), then its length (three bytes, little-endian) and
// its bytes. Either is then checked as the program checks a package.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/FuzzDevice.h"
#include "package/FirmwarePackage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzInput input(pData, nSize);
    const std::uint8_t nForm = input.Byte();
    rf::PackageFiles files;
    if (nForm % 2 == 0) {
        if (rf::ReadCabinetBytes(input.Rest(), files) != 0) {
            return 0;
        }
    } else {
        for (int nFile = 0; nFile < 16 && !input.Empty(); ++nFile) {
            std::string strName(input.Byte(), '\0');
            strName.resize(
                input.Take(reinterpret_cast<std::uint8_t*>(strName.data()), strName.size()));
            std::size_t nLength = input.Byte();
            nLength |= static_cast<std::size_t>(input.Byte()) << 8;
            nLength |= static_cast<std::size_t>(input.Byte()) << 16;
            std::vector<rf::BYTE> bytes(std::min(nLength, input.Rest().size()));
            input.Take(bytes.data(), bytes.size());
            files[strName] = std::move(bytes);
        }
    }
    rf::FirmwarePackage package;
    rf::PackageError error;
    rf::CheckPackageFiles(files, "package", package, error);
    return 0;
}
