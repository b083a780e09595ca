#include "cli/FirmwareCommand.h"

#include <array>
#include <ostream>

#include "base/FilePath.h"
#include "base/Json.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "cli/JsonReply.h"
#include "cli/JsonValues.h"
#include "cli/TextTable.h"
#include "device/ProductTable.h"
#include "firmware/ImageCatalogue.h"
#include "firmware/Sha256.h"
#include "images/ImageOrigin.h"
#include "package/FirmwarePackage.h"
#include "session/CliOptions.h"
#include "text/StringTable.h"
#include "update/FirmwareUpdate.h"
#include "update/PackageImages.h"
#include "update/ProductVersions.h"

namespace rf {

namespace {

struct ShownImage {
    const MemoryKindInfo* pKind;
    std::span<const BYTE> bytes;
};

// The product version of a set of images, by the versions of its memories.
WORD ProductVersionOf(const std::vector<ShownImage>& images) {
    std::array<std::u16string, 4> versions;
    const MemoryKind order[] = {MemoryKind::Flash, MemoryKind::Host, MemoryKind::Ui,
                                MemoryKind::Resource};
    for (std::size_t i = 0; i < versions.size(); ++i) {
        for (const ShownImage& image : images) {
            if (image.pKind->kind == order[i]) {
                versions[i] = Utf8ToUtf16(ImageVersionText(image.pKind->kind, image.bytes));
            }
        }
    }
    return LookUpProductVersion(versions);
}

std::vector<ShownImage> CarriedImages() {
    std::vector<ShownImage> images;
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        images.push_back({&kind, FindCarriedImage(kind.nCarriedId)});
    }
    return images;
}

void PrintFault(std::ostream& err, const PackageError& error) {
    const std::u16string text = DescribePackageError(error);
    err << Utf16ToUtf8(text) << '\n';
    NoteMessage(err, error.nReason, text);
}

// Whole or not at all, as every file the program saves.
bool WriteBytes(const std::filesystem::path& path, std::span<const BYTE> bytes) {
    std::string strError;
    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        strError);
}

int Export(const std::string& strDirectory, const CliOptions& options, CommandStreams& streams) {
    CJson files = CJson::array();
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (const ShownImage& image : CarriedImages()) {
        const std::filesystem::path path = directory / image.pKind->pszFileName;
        if (error || !WriteBytes(path, image.bytes)) {
            PrintFault(streams.err, PackageError{PathToUtf8(path), IDS_PKG_CANNOT_WRITE});
            return kExitFailure;
        }
        streams.log << Utf16ToUtf8(LoadResString(IDS_PKG_WRITTEN)) << PathToUtf8(path) << '\n';
        files.push_back(PathToUtf8(path));
    }
    if (options.bJson) {
        CJson json = ResultDocument(kExitSuccess, 0, u"");
        json["files"] = std::move(files);
        PrintDocument(streams, json);
    }
    return kExitSuccess;
}

int Pack(const std::string& strOut, const std::string& strDirectory, const CliOptions& options,
         CommandStreams& streams) {
    // The images of the directory, by their file names; their versions
    // and checksums are read from the bytes.
    const std::filesystem::path directory = PathFromUtf8(strDirectory);
    FirmwarePackage package;
    package.strProduct = SupportedProducts().front().pszPrefix;
    PackageFiles files;
    std::vector<ShownImage> shown;
    for (const MemoryKindInfo& kind : MemoryKinds()) {
        const std::filesystem::path path = directory / kind.pszFileName;
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            continue;
        }
        std::vector<BYTE> bytes;
        if (!ReadFileBytes(path, bytes)) {
            PrintFault(streams.err, PackageError{PathToUtf8(path), IDS_PKG_NOT_READABLE});
            return kExitNothing;
        }
        package.images.push_back(PackageImage{
            &kind, kind.pszFileName, ImageVersionText(kind.kind, bytes), Sha256Hex(bytes), bytes});
    }
    for (const PackageImage& image : package.images) {
        shown.push_back({image.pKind, image.bytes});
    }
    const WORD wProduct = ProductVersionOf(shown);
    if (wProduct != 0xFFFF) {
        package.strProductVersion =
            std::to_string(wProduct >> 8) + "." + HexText(wProduct & 0xFF, 2);
    }
    for (const PackageImage& image : package.images) {
        files[image.strFileName] = image.bytes;
    }
    files.merge(MakeMetainfoFiles(package));
    // The package is checked as a reader will check it, before it is made.
    FirmwarePackage checked;
    PackageError fault;
    if (!CheckPackageFiles(files, strDirectory, checked, fault)) {
        PrintFault(streams.err, fault);
        return kExitNothing;
    }
    if (!WriteCabinet(PathFromUtf8(strOut), files)) {
        PrintFault(streams.err, PackageError{strOut, IDS_PKG_CANNOT_WRITE});
        return kExitFailure;
    }
    streams.log << Utf16ToUtf8(LoadResString(IDS_PKG_WRITTEN)) << strOut << '\n';
    if (options.bJson) {
        CJson json = ResultDocument(kExitSuccess, 0, u"");
        json["package"] = strOut;
        json["product_version"] = ProductVersionValue(wProduct);
        CJson images = CJson::array();
        for (const PackageImage& image : package.images) {
            images.push_back(image.pKind->pszKey);
        }
        json["memories"] = std::move(images);
        PrintDocument(streams, json);
    }
    return kExitSuccess;
}

int Show(const CliOptions& options, CommandStreams& streams) {
    std::vector<ShownImage> images;
    FirmwarePackage package;
    const char* pszOrigin = OriginName(CarriedOrigin());
    if (options.words.size() == 3) {
        PackageError error;
        if (!ReadFirmwarePackage(PathFromUtf16(options.words[2]), package, error)) {
            PrintFault(streams.err, error);
            return kExitNothing;
        }
        for (const PackageImage& image : package.images) {
            images.push_back({image.pKind, image.bytes});
        }
        pszOrigin = OriginName(ImageOrigin::Package);
    } else {
        images = CarriedImages();
    }
    if (options.bJson) {
        CJson list = CJson::array();
        for (const ShownImage& image : images) {
            CJson& entry = list.emplace_back(CJson::object());
            entry["memory"] = image.pKind->pszKey;
            entry["version"] = ImageVersionText(image.pKind->kind, image.bytes);
            entry["size"] = image.bytes.size();
            entry["sha256"] = Sha256Hex(image.bytes);
            entry["origin"] = pszOrigin;
        }
        PrintDocument(streams, {{"origin", pszOrigin}, {"images", std::move(list)}});
        return kExitSuccess;
    }
    // The hash comes last: it is the column that wraps on a narrow terminal.
    TableRows rows{SplitTitles(LoadResString(IDS_CLI_FIRMWARE_COLUMNS))};
    for (const ShownImage& image : images) {
        rows.push_back({LoadResString(MemoryNameId(image.pKind->kind)),
                        Utf8ToUtf16(ImageVersionText(image.pKind->kind, image.bytes)),
                        Widen(std::to_string(image.bytes.size())), Widen(pszOrigin),
                        Widen(Sha256Hex(image.bytes))});
    }
    streams.out << Utf16ToUtf8(FormatTable(rows, TerminalColumns(), {2}));
    return kExitSuccess;
}

}  // namespace

int RunFirmwareCommand(const CliOptions& options, CommandStreams& streams) {
    const std::u16string& verb = options.words[1];
    if (verb == u"export") {
        return Export(Utf16ToUtf8(options.words[2]), options, streams);
    }
    if (verb == u"pack") {
        return Pack(Utf16ToUtf8(options.words[2]), Utf16ToUtf8(options.words[3]), options, streams);
    }
    return Show(options, streams);
}

std::u16string CarriedImagesLine() {
    if (!CarriesVendorImages()) {
        return LoadResString(IDS_CARRIED_TEST_SET);
    }
    return LoadResString(IDS_CARRIED_VENDOR_SET) +
           FormatProductVersion(ProductVersionOf(CarriedImages()));
}

bool CheckFirmwareOption(const CliOptions& options, std::ostream& err) {
    if (!options.firmware) {
        return true;
    }
    FirmwarePackage package;
    PackageError error;
    if (!ReadFirmwarePackage(PathFromUtf8(*options.firmware), package, error)) {
        PrintFault(err, error);
        return false;
    }
    return true;
}

}  // namespace rf
