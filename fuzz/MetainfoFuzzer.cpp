// A firmware package's metainfo file, as it comes: the XML reader, and what
// the package check makes of the document when it is the package's only
// metainfo file.

#include <cstdint>
#include <string_view>

#include "package/FirmwarePackage.h"
#include "package/XmlTree.h"

namespace {

// Every element and attribute of the tree, as the package check walks it.
std::size_t Visit(const rf::XmlElement& element) {
    std::size_t nSeen = element.strText.size() + element.attributes.size();
    for (const auto& child : element.children) {
        nSeen += Visit(*child) + (element.Child(child->strName) != nullptr ? 1 : 0);
    }
    return nSeen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    if (const auto root = rf::ParseXml(text)) {
        volatile std::size_t nSeen = Visit(*root);
        (void)nSeen;
    }
    rf::PackageFiles files;
    files["seeprom-host.metainfo.xml"] = std::vector<rf::BYTE>(pData, pData + nSize);
    rf::FirmwarePackage package;
    rf::PackageError error;
    rf::CheckPackageFiles(files, "package", package, error);
    return 0;
}
