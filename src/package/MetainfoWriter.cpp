// The metainfo files of a package: one AppStream component of type firmware
// per image, as the firmware ecosystem's cabinets hold several components,
// each named for the GUID of its memory and naming its payload by a source
// artifact. appstreamcli validate --pedantic and fwupdtool get-details
// accept what this writes (tools/dev package checks both).

#include <algorithm>
#include <ctime>

#include "device/ProductTable.h"
#include "firmware/Sha256.h"
#include "package/FirmwarePackage.h"
#include "package/PackageComponents.h"
#include "package/XmlTree.h"

namespace rf {

namespace {

const SupportedProduct& ProductNamed(const std::string& strName) {
    for (const SupportedProduct& product : SupportedProducts()) {
        if (strName == product.pszPrefix) {
            return product;
        }
    }
    return SupportedProducts().front();
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A release needs a date: its image's build day, else the newest build day
// of the package's images, else today's.
std::string ReleaseDate(const FirmwarePackage& package, const PackageImage& image) {
    std::string strDate = ImageBuildDate(image.pKind->kind, image.bytes);
    if (strDate.empty()) {
        for (const PackageImage& other : package.images) {
            strDate = std::max(strDate, ImageBuildDate(other.pKind->kind, other.bytes));
        }
    }
    if (strDate.empty()) {
        const std::time_t now = std::time(nullptr);
        char acDate[16] = {};
        std::strftime(acDate, sizeof acDate, "%Y-%m-%d", std::gmtime(&now));
        strDate = acDate;
    }
    return strDate;
}

std::string ComponentMetainfo(const FirmwarePackage& package, const PackageImage& image) {
    const SupportedProduct& product = ProductNamed(package.strProduct);
    const PackageComponent& component = ComponentOf(image.pKind->kind);
    const std::string strModel = XmlEscape(ProductModel(product));
    const std::string strVendor = XmlEscape(ProductVendor(product));
    const std::string strName = component.pszName;
    const std::string strVersion = XmlEscape(ImageVersionText(image.pKind->kind, image.bytes));
    const std::string strRelease =
        package.strProductVersion.empty()
            ? std::string()
            : ", part of the firmware release " + XmlEscape(package.strProductVersion);
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<component type=\"firmware\">\n"
        "  <id>com." +
        LowerCase(strVendor) + "." + LowerCase(strModel) + "." + component.pszIdPart +
        ".firmware</id>\n"
        "  <name>" +
        strModel + " " + strName +
        "</name>\n"
        "  <summary>The " +
        strName + " of the " + strVendor + " " + strModel +
        " disk enclosure</summary>\n"
        "  <description>\n"
        "    <p>" +
        component.pszWhatItIs + " This package holds version " + strVersion + strRelease +
        ".</p>\n"
        "  </description>\n"
        "  <provides>\n"
        "    <firmware type=\"flashed\">" +
        GuidOfInstanceId(ComponentInstanceId(product, image.pKind->kind)) +
        "</firmware>\n"
        "  </provides>\n"
        "  <metadata_license>CC0-1.0</metadata_license>\n"
        "  <project_license>LicenseRef-proprietary</project_license>\n"
        "  <developer_name>" +
        strVendor +
        "</developer_name>\n"
        "  <releases>\n"
        "    <release version=\"" +
        strVersion + "\" date=\"" + ReleaseDate(package, image) +
        "\">\n"
        "      <description>\n"
        "        <p>Version " +
        strVersion + " of the " + strName + strRelease +
        ".</p>\n"
        "      </description>\n"
        "      <artifacts>\n"
        "        <artifact type=\"source\">\n"
        "          <filename>" +
        XmlEscape(image.strFileName) +
        "</filename>\n"
        "          <checksum type=\"sha256\">" +
        Sha256Hex(image.bytes) +
        "</checksum>\n"
        "          <size type=\"installed\">" +
        std::to_string(image.bytes.size()) +
        "</size>\n"
        "        </artifact>\n"
        "      </artifacts>\n"
        "    </release>\n"
        "  </releases>\n"
        "  <custom>\n"
        "    <value key=\"LVFS::VersionFormat\">plain</value>\n";
    if (!package.strProductVersion.empty()) {
        text += "    <value key=\"" + std::string(kProductVersionKey) + "\">" +
                XmlEscape(package.strProductVersion) + "</value>\n";
    }
    text +=
        "  </custom>\n"
        "</component>\n";
    return text;
}

}  // namespace

std::string MetainfoFileName(const MemoryKindInfo& kind) {
    std::string strName = kind.pszFileName;
    const std::size_t nDot = strName.rfind('.');
    return strName.substr(0, nDot) + kMetainfoSuffix;
}

PackageFiles MakeMetainfoFiles(const FirmwarePackage& package) {
    PackageFiles files;
    for (const PackageImage& image : package.images) {
        const std::string text = ComponentMetainfo(package, image);
        files[MetainfoFileName(*image.pKind)] = std::vector<BYTE>(text.begin(), text.end());
    }
    return files;
}

}  // namespace rf
