#pragma once

// Firmware packages: the maker's images for the enclosure, as a cabinet
// archive (.cab) or a plain directory holding the image files and an
// AppStream metainfo file of type firmware. The metainfo names the product
// the package is for and, for each image file, its memory, version, size
// and SHA-256.
//
// A package is read and checked whole before anything of it is used:
// every named file present, its checksum and size, its memory known and
// named once, the image valid for its memory and of the version named, the
// product one of ours. The first fault found is reported with the file it
// concerns.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/Types.h"
#include "firmware/ImageKinds.h"

namespace rf {

struct PackageImage {
    const MemoryKindInfo* pKind = nullptr;
    std::string strFileName;
    std::string strVersion;  // "0027", "C018"...
    std::string strSha256;   // lower-case hex
    std::vector<BYTE> bytes;
};

struct FirmwarePackage {
    std::string strProduct;            // a name of the product table, "KESTREL DVX4400DUO"
    std::string strProductVersion;     // the release, "1.01"; may be empty
    std::vector<PackageImage> images;  // in the order of MemoryKinds()

    const PackageImage* Find(MemoryKind kind) const;
};

struct PackageError {
    std::string strFile;  // the package, or the file inside it
    UINT nReason = 0;     // a string id (IDS_PKG_...)
};

// Files by name: what a cabinet or a directory holds.
using PackageFiles = std::map<std::string, std::vector<BYTE>>;

bool ReadFirmwarePackage(const std::filesystem::path& path, FirmwarePackage& package,
                         PackageError& error);
// The check of files already read (strWhere names them in errors).
bool CheckPackageFiles(const PackageFiles& files, const std::string& strWhere,
                       FirmwarePackage& package, PackageError& error);

// The metainfo file of a package of these images (their checksums, sizes
// and versions are taken from the bytes).
std::string MakeMetainfo(const FirmwarePackage& package);
inline constexpr const char* kMetainfoFileName = "firmware.metainfo.xml";

// Cabinet archives, through the system's cabinet library. False when the
// archive cannot be read whole.
bool ReadCabinet(const std::filesystem::path& path, PackageFiles& files);
// False when the cabinet cannot be made (not on every system).
bool WriteCabinet(const std::filesystem::path& path, const PackageFiles& files);

}  // namespace rf
