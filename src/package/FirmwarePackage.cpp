#include "package/FirmwarePackage.h"

#include <algorithm>
#include <iterator>

#include "base/FilePath.h"
#include "device/ProductTable.h"
#include "firmware/Sha256.h"
#include "package/PackageComponents.h"
#include "package/XmlTree.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// The keys of packages made by earlier builds: one metainfo file whose
// custom values name each file's memory and version.
constexpr char kEarlierMemoryKey[] = "reflasher::memory::";
constexpr char kEarlierVersionKey[] = "reflasher::version::";
// No image is larger than the largest image buffer.
constexpr std::uintmax_t kLargestImage = 0x100000;

// An image as a metainfo file names it, before its file is looked at.
struct NamedImage {
    const MemoryKindInfo* pKind = nullptr;
    std::string strFileName;
    std::string strVersion;
    std::string strSha256;
    std::string strMetainfoPath;
};

bool Fail(PackageError& error, std::string strFile, UINT nReason) {
    error.strFile = std::move(strFile);
    error.nReason = nReason;
    return false;
}

const SupportedProduct* ProductNamed(std::string_view name) {
    for (const SupportedProduct& product : SupportedProducts()) {
        if (name == product.pszPrefix) {
            return &product;
        }
    }
    return nullptr;
}

bool IsMetainfoName(const std::string& strName) {
    return strName.ends_with(kMetainfoSuffix);
}

// What a directory package holds. Nothing is read when the files would
// take more than a package may: each counts with no more than one byte past
// what any of its files may hold (so its check can still say it is too
// large), and only that much of it is kept.
UINT ReadDirectory(const std::filesystem::path& directory, PackageFiles& files) {
    struct Entry {
        std::filesystem::path path;
        std::uintmax_t nSize;
    };
    std::vector<Entry> entries;
    std::uintmax_t nTotal = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (!entry.is_regular_file(error)) {
            continue;
        }
        const std::uintmax_t nSize = entry.file_size(error);
        if (error) {
            return IDS_PKG_NOT_READABLE;
        }
        const std::uintmax_t nKept = std::min(nSize, kLargestImage + 1);
        nTotal += nKept;
        if (nTotal > kLargestPackage) {
            return IDS_PKG_TOO_LARGE_WHOLE;
        }
        entries.push_back({entry.path(), nSize});
    }
    if (error) {
        return IDS_PKG_NOT_READABLE;
    }
    for (const Entry& entry : entries) {
        std::vector<BYTE> bytes;
        if (entry.nSize <= kLargestImage) {
            if (!ReadFileBytes(entry.path, bytes)) {
                return IDS_PKG_NOT_READABLE;
            }
        } else {
            bytes.assign(static_cast<std::size_t>(kLargestImage + 1), 0);
        }
        files[PathToUtf8(entry.path.filename())] = std::move(bytes);
    }
    return 0;
}

// A metainfo file of an earlier build: every image in one component, the
// product by name, the memories and versions in custom values.
bool ReadEarlierMetainfo(const XmlElement& root, const std::string& strPath,
                         const std::string& strWhere, FirmwarePackage& package,
                         std::vector<NamedImage>& named, PackageError& error) {
    const XmlElement* pProvides = root.Child("provides");
    const XmlElement* pFirmware = pProvides != nullptr ? pProvides->Child("firmware") : nullptr;
    if (pFirmware == nullptr || ProductNamed(pFirmware->strText) == nullptr) {
        return Fail(error, strPath, IDS_PKG_WRONG_PRODUCT);
    }
    package.strProduct = pFirmware->strText;
    std::map<std::string, std::string> memories;
    std::map<std::string, std::string> versions;
    for (const XmlElement* pValue : root.Child("custom")->Children("value")) {
        const std::string* pKey = pValue->Attribute("key");
        if (pKey != nullptr && pKey->starts_with(kEarlierMemoryKey)) {
            memories[pKey->substr(std::char_traits<char>::length(kEarlierMemoryKey))] =
                pValue->strText;
        } else if (pKey != nullptr && pKey->starts_with(kEarlierVersionKey)) {
            versions[pKey->substr(std::char_traits<char>::length(kEarlierVersionKey))] =
                pValue->strText;
        }
    }
    const XmlElement* pReleases = root.Child("releases");
    const XmlElement* pRelease = pReleases != nullptr ? pReleases->Child("release") : nullptr;
    const XmlElement* pArtifacts = pRelease != nullptr ? pRelease->Child("artifacts") : nullptr;
    if (pArtifacts == nullptr) {
        return Fail(error, strPath, IDS_PKG_NO_IMAGES);
    }
    if (const std::string* pVersion = pRelease->Attribute("version")) {
        package.strProductVersion = *pVersion;
    }
    for (const XmlElement* pArtifact : pArtifacts->Children("artifact")) {
        const XmlElement* pFileName = pArtifact->Child("filename");
        if (pFileName == nullptr || pFileName->strText.empty()) {
            return Fail(error, strPath, IDS_PKG_METAINFO_INVALID);
        }
        NamedImage image;
        image.strFileName = pFileName->strText;
        image.strMetainfoPath = strPath;
        for (const XmlElement* pChecksum : pArtifact->Children("checksum")) {
            const std::string* pType = pChecksum->Attribute("type");
            if (pType != nullptr && *pType == "sha256") {
                image.strSha256 = pChecksum->strText;
            }
        }
        const auto memory = memories.find(image.strFileName);
        image.pKind = memory != memories.end() ? FindMemoryKind(memory->second) : nullptr;
        if (image.pKind == nullptr) {
            return Fail(error, strWhere + "/" + image.strFileName, IDS_PKG_UNKNOWN_MEMORY);
        }
        const auto version = versions.find(image.strFileName);
        if (version != versions.end()) {
            image.strVersion = version->second;
        }
        named.push_back(std::move(image));
    }
    return true;
}

// A metainfo file of one component: the image of one memory, which the
// GUID it is provided for names, in the release's source artifact.
bool ReadComponentMetainfo(const XmlElement& root, const std::string& strPath,
                           FirmwarePackage& package, std::vector<NamedImage>& named,
                           PackageError& error) {
    const SupportedProduct* pProduct = nullptr;
    MemoryKind kind{};
    bool bFound = false;
    if (const XmlElement* pProvides = root.Child("provides")) {
        for (const XmlElement* pFirmware : pProvides->Children("firmware")) {
            bFound = bFound || FindComponentGuid(pFirmware->strText, pProduct, kind);
        }
    }
    if (!bFound || (!package.strProduct.empty() && package.strProduct != pProduct->pszPrefix)) {
        return Fail(error, strPath, IDS_PKG_WRONG_PRODUCT);
    }
    package.strProduct = pProduct->pszPrefix;
    if (const XmlElement* pCustom = root.Child("custom")) {
        for (const XmlElement* pValue : pCustom->Children("value")) {
            const std::string* pKey = pValue->Attribute("key");
            if (pKey != nullptr && *pKey == kProductVersionKey) {
                package.strProductVersion = pValue->strText;
            }
        }
    }
    const XmlElement* pReleases = root.Child("releases");
    const XmlElement* pRelease = pReleases != nullptr ? pReleases->Child("release") : nullptr;
    const XmlElement* pArtifacts = pRelease != nullptr ? pRelease->Child("artifacts") : nullptr;
    const XmlElement* pSource = nullptr;
    for (const XmlElement* pArtifact : pArtifacts != nullptr ? pArtifacts->Children("artifact")
                                                             : std::vector<const XmlElement*>{}) {
        const std::string* pType = pArtifact->Attribute("type");
        if (pType != nullptr && *pType == "source" && pSource == nullptr) {
            pSource = pArtifact;
        }
    }
    const XmlElement* pFileName = pSource != nullptr ? pSource->Child("filename") : nullptr;
    if (pFileName == nullptr || pFileName->strText.empty()) {
        return Fail(error, strPath, IDS_PKG_NO_IMAGES);
    }
    NamedImage image;
    image.pKind = nullptr;
    for (const MemoryKindInfo& info : MemoryKinds()) {
        if (info.kind == kind) {
            image.pKind = &info;
        }
    }
    image.strFileName = pFileName->strText;
    image.strMetainfoPath = strPath;
    if (const std::string* pVersion = pRelease->Attribute("version")) {
        image.strVersion = *pVersion;
    }
    for (const XmlElement* pChecksum : pSource->Children("checksum")) {
        const std::string* pType = pChecksum->Attribute("type");
        if (pType != nullptr && *pType == "sha256") {
            image.strSha256 = pChecksum->strText;
        }
    }
    named.push_back(std::move(image));
    return true;
}

bool IsEarlierMetainfo(const XmlElement& root) {
    const XmlElement* pCustom = root.Child("custom");
    if (pCustom == nullptr) {
        return false;
    }
    const auto values = pCustom->Children("value");
    return std::any_of(values.begin(), values.end(), [](const XmlElement* pValue) {
        const std::string* pKey = pValue->Attribute("key");
        return pKey != nullptr && pKey->starts_with(kEarlierMemoryKey);
    });
}

// The image a metainfo file names, checked against its file.
bool CheckImage(const PackageFiles& files, const std::string& strWhere, const NamedImage& named,
                PackageImage& image, PackageError& error) {
    const std::string strFile = strWhere + "/" + named.strFileName;
    if (named.strSha256.size() != 64 || named.strVersion.empty()) {
        return Fail(error, named.strMetainfoPath, IDS_PKG_METAINFO_INVALID);
    }
    const auto file = files.find(named.strFileName);
    if (file == files.end()) {
        return Fail(error, strFile, IDS_PKG_MISSING_IMAGE);
    }
    if (file->second.size() > named.pKind->nLargestImage) {
        return Fail(error, strFile, IDS_PKG_TOO_LARGE);
    }
    if (Sha256Hex(file->second) != named.strSha256) {
        return Fail(error, strFile, IDS_PKG_CHECKSUM);
    }
    if (!IsValidImage(named.pKind->kind, file->second)) {
        return Fail(error, strFile, IDS_PKG_INVALID_IMAGE);
    }
    if (ImageVersionText(named.pKind->kind, file->second) != named.strVersion) {
        return Fail(error, strFile, IDS_PKG_VERSION_MISMATCH);
    }
    image = PackageImage{named.pKind, named.strFileName, named.strVersion, named.strSha256,
                         file->second};
    return true;
}

}  // namespace

const PackageImage* FirmwarePackage::Find(MemoryKind kind) const {
    for (const PackageImage& image : images) {
        if (image.pKind->kind == kind) {
            return &image;
        }
    }
    return nullptr;
}

bool ReadFirmwarePackage(const std::filesystem::path& path, FirmwarePackage& package,
                         PackageError& error) {
    const std::string strWhere = PathToUtf8(path);
    std::error_code fsError;
    PackageFiles files;
    UINT nFault = 0;
    if (std::filesystem::is_directory(path, fsError)) {
        nFault = ReadDirectory(path, files);
    } else if (!std::filesystem::is_regular_file(path, fsError)) {
        nFault = IDS_PKG_NOT_READABLE;
    } else {
        nFault = ReadCabinet(path, files);
    }
    if (nFault != 0) {
        return Fail(error, strWhere, nFault);
    }
    return CheckPackageFiles(files, strWhere, package, error);
}

UINT ReadCabinet(const std::filesystem::path& path, PackageFiles& files) {
    // The archive is never larger than what it holds by more than its
    // headers; a larger one is not read at all.
    std::error_code error;
    const std::uintmax_t nSize = std::filesystem::file_size(path, error);
    if (error) {
        return IDS_PKG_NOT_READABLE;
    }
    if (nSize > 2 * kLargestPackage) {
        return IDS_PKG_TOO_LARGE_WHOLE;
    }
    std::vector<BYTE> archive;
    if (!ReadFileBytes(path, archive)) {
        return IDS_PKG_NOT_READABLE;
    }
    return ReadCabinetBytes(archive, files);
}

bool CheckPackageFiles(const PackageFiles& files, const std::string& strWhere,
                       FirmwarePackage& package, PackageError& error) {
    package = FirmwarePackage{};
    std::vector<std::unique_ptr<XmlElement>> roots;
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files) {
        if (!IsMetainfoName(name)) {
            continue;
        }
        const std::string strPath = strWhere + "/" + name;
        auto root = bytes.size() <= kLargestMetainfo
                        ? ParseXml(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                    bytes.size()))
                        : nullptr;
        if (root == nullptr || root->strName != "component") {
            return Fail(error, strPath, IDS_PKG_METAINFO_INVALID);
        }
        const std::string* pType = root->Attribute("type");
        if (pType == nullptr || *pType != "firmware") {
            return Fail(error, strPath, IDS_PKG_NO_METAINFO);
        }
        roots.push_back(std::move(root));
        paths.push_back(strPath);
    }
    if (roots.empty()) {
        return Fail(error, strWhere, IDS_PKG_NO_METAINFO);
    }

    std::vector<NamedImage> named;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const bool bEarlier = IsEarlierMetainfo(*roots[i]);
        // A package of an earlier build has its one metainfo file only.
        if (bEarlier && roots.size() > 1) {
            return Fail(error, paths[i], IDS_PKG_METAINFO_INVALID);
        }
        if (bEarlier ? !ReadEarlierMetainfo(*roots[i], paths[i], strWhere, package, named, error)
                     : !ReadComponentMetainfo(*roots[i], paths[i], package, named, error)) {
            return false;
        }
    }

    std::vector<PackageImage> found;
    for (const NamedImage& image : named) {
        for (const PackageImage& other : found) {
            if (other.pKind == image.pKind) {
                return Fail(error, strWhere + "/" + image.strFileName, IDS_PKG_DUPLICATE_MEMORY);
            }
        }
        PackageImage checked;
        if (!CheckImage(files, strWhere, image, checked, error)) {
            return false;
        }
        found.push_back(std::move(checked));
    }
    if (found.empty()) {
        return Fail(error, paths.front(), IDS_PKG_NO_IMAGES);
    }
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        for (PackageImage& image : found) {
            if (image.pKind == &kind) {
                package.images.push_back(std::move(image));
            }
        }
    }
    return true;
}

}  // namespace rf
