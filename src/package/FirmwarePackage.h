#pragma once

// Firmware packages: the maker's images for the enclosure, as a cabinet
// archive (.cab) or a plain directory, in the firmware ecosystem's form:
// the image files and one AppStream metainfo file of type firmware per
// image, which names the image's memory (by the GUID it is provided for),
// its version, size and SHA-256. Packages of earlier builds, with one
// metainfo file naming every image, are read as well.
//
// A package is read and checked whole before anything of it is used:
// every named file present, its checksum and size, its memory known and
// named once, the image valid for its memory and of the version named, the
// product one of ours. The first fault found is reported with the file it
// concerns. A cabinet is looked at before it is expanded: one whose files
// would take more than the four memories hold (and a little for the
// metainfo) is refused unexpanded.

#include <filesystem>
#include <map>
#include <span>
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

// The most a package may hold: the four memories' images and their metainfo
// files (a metainfo file larger than kLargestMetainfo is refused), with room
// for a signature or two. Larger packages are refused before they are read
// or expanded.
inline constexpr std::uintmax_t kLargestMetainfo = 64 * 1024;
inline constexpr std::uintmax_t kLargestPackage =
    0x2000 + 0x20000 + 0x10000 + 0x100000 + 4 * kLargestMetainfo + 64 * 1024;

bool ReadFirmwarePackage(const std::filesystem::path& path, FirmwarePackage& package,
                         PackageError& error);
// The check of files already read (strWhere names them in errors).
bool CheckPackageFiles(const PackageFiles& files, const std::string& strWhere,
                       FirmwarePackage& package, PackageError& error);

// The metainfo files of a package of these images, by file name (their
// checksums, sizes and versions are taken from the bytes).
PackageFiles MakeMetainfoFiles(const FirmwarePackage& package);
// "bridge.metainfo.xml" for bridge.bin...
std::string MetainfoFileName(const MemoryKindInfo& kind);
inline constexpr const char* kMetainfoSuffix = ".metainfo.xml";
// The custom value that names the firmware release the images belong to.
inline constexpr const char* kProductVersionKey = "reflasher::product-version";

// Cabinet archives, through the system's cabinet library: 0 when the
// archive was read whole, else why not (IDS_PKG_CAB_DAMAGED,
// IDS_PKG_TOO_LARGE_WHOLE), with nothing expanded when it is too large.
UINT ReadCabinet(const std::filesystem::path& path, PackageFiles& files);
UINT ReadCabinetBytes(std::span<const BYTE> archive, PackageFiles& files);
// False when the cabinet cannot be made (not on every system).
bool WriteCabinet(const std::filesystem::path& path, const PackageFiles& files);

}  // namespace rf
