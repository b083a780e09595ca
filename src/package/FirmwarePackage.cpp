#include "package/FirmwarePackage.h"

#include <iterator>

#include "base/FilePath.h"
#include "device/ProductTable.h"
#include "firmware/Sha256.h"
#include "framework/StringTable.h"
#include "package/XmlTree.h"

namespace rf {

namespace {

constexpr char kMemoryKey[] = "reflasher::memory::";
constexpr char kVersionKey[] = "reflasher::version::";
constexpr char kMetainfoSuffix[] = ".metainfo.xml";
// No file of a package is larger than the largest image buffer, and the
// metainfo is small; anything larger is not read into memory.
constexpr std::uintmax_t kLargestFile = 0x100000 + 1;

bool Fail(PackageError& error, std::string strFile, UINT nReason) {
    error.strFile = std::move(strFile);
    error.nReason = nReason;
    return false;
}

bool IsOurProduct(const std::string& strName) {
    for (const SupportedProduct& product : SupportedProducts()) {
        if (strName == product.pszPrefix) {
            return true;
        }
    }
    return false;
}

bool ReadDirectory(const std::filesystem::path& directory, PackageFiles& files) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (!entry.is_regular_file(error)) {
            continue;
        }
        const std::uintmax_t nSize = entry.file_size(error);
        if (error) {
            return false;
        }
        std::vector<BYTE> bytes;
        if (nSize <= kLargestFile) {
            if (!ReadFileBytes(entry.path(), bytes)) {
                return false;
            }
        } else {
            // Kept as one byte too many: its check says it does not fit.
            bytes.assign(static_cast<std::size_t>(kLargestFile), 0);
        }
        files[PathToUtf8(entry.path().filename())] = std::move(bytes);
    }
    return !error;
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
    if (std::filesystem::is_directory(path, fsError)) {
        if (!ReadDirectory(path, files)) {
            return Fail(error, strWhere, IDS_PKG_NOT_READABLE);
        }
    } else if (!std::filesystem::is_regular_file(path, fsError)) {
        return Fail(error, strWhere, IDS_PKG_NOT_READABLE);
    } else if (!ReadCabinet(path, files)) {
        return Fail(error, strWhere, IDS_PKG_CAB_DAMAGED);
    }
    return CheckPackageFiles(files, strWhere, package, error);
}

bool CheckPackageFiles(const PackageFiles& files, const std::string& strWhere,
                       FirmwarePackage& package, PackageError& error) {
    package = FirmwarePackage{};
    const std::vector<BYTE>* pMetainfo = nullptr;
    std::string strMetainfoName;
    for (const auto& [name, bytes] : files) {
        if (name.ends_with(kMetainfoSuffix)) {
            if (pMetainfo != nullptr) {
                return Fail(error, strWhere + "/" + name,
                            IDS_PKG_METAINFO_INVALID);  // which one holds?
            }
            pMetainfo = &bytes;
            strMetainfoName = name;
        }
    }
    if (pMetainfo == nullptr) {
        return Fail(error, strWhere, IDS_PKG_NO_METAINFO);
    }
    const std::string strMetainfoPath = strWhere + "/" + strMetainfoName;
    const auto root = ParseXml(
        std::string_view(reinterpret_cast<const char*>(pMetainfo->data()), pMetainfo->size()));
    if (root == nullptr || root->strName != "component") {
        return Fail(error, strMetainfoPath, IDS_PKG_METAINFO_INVALID);
    }
    const std::string* pType = root->Attribute("type");
    if (pType == nullptr || *pType != "firmware") {
        return Fail(error, strMetainfoPath, IDS_PKG_NO_METAINFO);
    }
    const XmlElement* pProvides = root->Child("provides");
    const XmlElement* pFirmware = pProvides != nullptr ? pProvides->Child("firmware") : nullptr;
    if (pFirmware == nullptr || !IsOurProduct(pFirmware->strText)) {
        return Fail(error, strMetainfoPath, IDS_PKG_WRONG_PRODUCT);
    }
    package.strProduct = pFirmware->strText;

    // Memory and version of each file, from the custom values.
    std::map<std::string, std::string> memories;
    std::map<std::string, std::string> versions;
    if (const XmlElement* pCustom = root->Child("custom")) {
        for (const XmlElement* pValue : pCustom->Children("value")) {
            const std::string* pKey = pValue->Attribute("key");
            if (pKey != nullptr && pKey->starts_with(kMemoryKey)) {
                memories[pKey->substr(std::char_traits<char>::length(kMemoryKey))] =
                    pValue->strText;
            } else if (pKey != nullptr && pKey->starts_with(kVersionKey)) {
                versions[pKey->substr(std::char_traits<char>::length(kVersionKey))] =
                    pValue->strText;
            }
        }
    }
    const XmlElement* pReleases = root->Child("releases");
    const XmlElement* pRelease = pReleases != nullptr ? pReleases->Child("release") : nullptr;
    const XmlElement* pArtifacts = pRelease != nullptr ? pRelease->Child("artifacts") : nullptr;
    if (pArtifacts == nullptr) {
        return Fail(error, strMetainfoPath, IDS_PKG_NO_IMAGES);
    }
    if (const std::string* pVersion = pRelease->Attribute("version")) {
        package.strProductVersion = *pVersion;
    }

    std::vector<PackageImage> found;
    for (const XmlElement* pArtifact : pArtifacts->Children("artifact")) {
        const XmlElement* pFileName = pArtifact->Child("filename");
        if (pFileName == nullptr || pFileName->strText.empty()) {
            return Fail(error, strMetainfoPath, IDS_PKG_METAINFO_INVALID);
        }
        PackageImage image;
        image.strFileName = pFileName->strText;
        const std::string strFile = strWhere + "/" + image.strFileName;
        for (const XmlElement* pChecksum : pArtifact->Children("checksum")) {
            const std::string* pChecksumType = pChecksum->Attribute("type");
            if (pChecksumType != nullptr && *pChecksumType == "sha256") {
                image.strSha256 = pChecksum->strText;
            }
        }
        const auto memory = memories.find(image.strFileName);
        image.pKind = memory != memories.end() ? FindMemoryKind(memory->second) : nullptr;
        if (image.pKind == nullptr) {
            return Fail(error, strFile, IDS_PKG_UNKNOWN_MEMORY);
        }
        for (const PackageImage& other : found) {
            if (other.pKind == image.pKind) {
                return Fail(error, strFile, IDS_PKG_DUPLICATE_MEMORY);
            }
        }
        const auto version = versions.find(image.strFileName);
        if (image.strSha256.size() != 64 || version == versions.end()) {
            return Fail(error, strMetainfoPath, IDS_PKG_METAINFO_INVALID);
        }
        image.strVersion = version->second;
        const auto file = files.find(image.strFileName);
        if (file == files.end()) {
            return Fail(error, strFile, IDS_PKG_MISSING_IMAGE);
        }
        if (file->second.size() > image.pKind->nLargestImage) {
            return Fail(error, strFile, IDS_PKG_TOO_LARGE);
        }
        if (Sha256Hex(file->second) != image.strSha256) {
            return Fail(error, strFile, IDS_PKG_CHECKSUM);
        }
        if (!IsValidImage(image.pKind->kind, file->second)) {
            return Fail(error, strFile, IDS_PKG_INVALID_IMAGE);
        }
        if (ImageVersionText(image.pKind->kind, file->second) != image.strVersion) {
            return Fail(error, strFile, IDS_PKG_VERSION_MISMATCH);
        }
        image.bytes = file->second;
        found.push_back(std::move(image));
    }
    if (found.empty()) {
        return Fail(error, strMetainfoPath, IDS_PKG_NO_IMAGES);
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

std::string MakeMetainfo(const FirmwarePackage& package) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<component type=\"firmware\">\n"
        "  <id>com.kestrel.dvx4400duo.firmware</id>\n"
        "  <name>" +
        XmlEscape(package.strProduct) +
        " firmware</name>\n"
        "  <summary>Firmware of the " +
        XmlEscape(package.strProduct) +
        " disk enclosure</summary>\n"
        "  <metadata_license>CC0-1.0</metadata_license>\n"
        "  <provides>\n"
        "    <firmware type=\"flashed\">" +
        XmlEscape(package.strProduct) +
        "</firmware>\n"
        "  </provides>\n"
        "  <releases>\n"
        "    <release version=\"" +
        XmlEscape(package.strProductVersion) +
        "\">\n"
        "      <artifacts>\n";
    std::string custom;
    for (const PackageImage& image : package.images) {
        const std::string name = XmlEscape(image.strFileName);
        text +=
            "        <artifact type=\"binary\">\n"
            "          <filename>" +
            name +
            "</filename>\n"
            "          <checksum type=\"sha256\">" +
            Sha256Hex(image.bytes) +
            "</checksum>\n"
            "          <size type=\"installed\">" +
            std::to_string(image.bytes.size()) +
            "</size>\n"
            "        </artifact>\n";
        custom += "    <value key=\"" + std::string(kMemoryKey) + name + "\">" +
                  image.pKind->pszKey + "</value>\n";
        custom += "    <value key=\"" + std::string(kVersionKey) + name + "\">" +
                  ImageVersionText(image.pKind->kind, image.bytes) + "</value>\n";
    }
    text +=
        "      </artifacts>\n"
        "    </release>\n"
        "  </releases>\n"
        "  <custom>\n" +
        custom +
        "  </custom>\n"
        "</component>\n";
    return text;
}

}  // namespace rf
