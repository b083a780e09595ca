#include "backup/UnitManifest.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <vector>

#include "base/FilePath.h"
#include "base/Json.h"
#include "base/Text.h"

namespace rf {

namespace {

constexpr std::array<std::pair<MemoryRead, const char*>, 3> kReadKeys = {{
    {MemoryRead::Whole, "whole"},
    {MemoryRead::Part, "part"},
    {MemoryRead::Unreadable, "unreadable"},
}};

// A chip object: an id and a name, or an id of null when the unit's
// identification named none.
ManifestChip ReadChip(CJsonFields& field, const CJson& parent, const char* pszName) {
    ManifestChip chip;
    const CJson& object = field.Object(parent, pszName);
    const CJson* pId = CJsonFields::Member(object, "id");
    if (!field.Failed() && pId != nullptr && !pId->is_null()) {
        chip.id = static_cast<WORD>(field.Integer(object, "id", 0, 0xFFFE));
        chip.strName = field.String(object, "name");
    }
    return chip;
}

CJson ChipJson(const ManifestChip& chip) {
    if (!chip.id) {
        return {{"id", nullptr}};
    }
    return {{"id", *chip.id}, {"name", chip.strName}};
}

}  // namespace

const char* MemoryReadKey(MemoryRead read) {
    for (const auto& [value, pszKey] : kReadKeys) {
        if (value == read) {
            return pszKey;
        }
    }
    return "";
}

std::optional<MemoryRead> MemoryReadFromKey(const std::string& strKey) {
    for (const auto& [value, pszKey] : kReadKeys) {
        if (strKey == pszKey) {
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> BackupFileNames(const UnitManifest* pManifest) {
    std::vector<std::string> names = {kUnitManifestFile};
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        if (Memories()[i].pszBackupFile != nullptr &&
            (pManifest == nullptr || pManifest->memories[i].read != MemoryRead::Unreadable)) {
            names.push_back(Memories()[i].pszBackupFile);
        }
    }
    if (pManifest == nullptr || pManifest->infoBlock) {
        names.push_back(kInfoBlockFile);
    }
    return names;
}

std::vector<std::string> UnnamedBackupFiles(const std::string& strDirectory,
                                            const UnitManifest& manifest) {
    const std::vector<std::string> named = BackupFileNames(&manifest);
    std::vector<std::string> unnamed;
    std::error_code error;
    for (std::filesystem::directory_iterator it(PathFromUtf8(strDirectory), error), end;
         !error && it != end; it.increment(error)) {
        const std::string strName = PathToUtf8(it->path().filename());
        if (std::find(named.begin(), named.end(), strName) == named.end()) {
            unnamed.push_back(strName);
        }
    }
    std::sort(unnamed.begin(), unnamed.end());
    return unnamed;
}

std::optional<UnitManifest> ReadUnitManifest(const std::string& strDirectory,
                                             std::string& strError) {
    const std::filesystem::path path = PathFromUtf8(strDirectory) / kUnitManifestFile;
    const std::string strFile = PathToUtf8(path);
    // A manifest is a few hundred bytes; a huge file here is not one, and
    // is not read into memory to find that out.
    constexpr std::uintmax_t kMaxManifestBytes = 64 * 1024;
    std::error_code error;
    if (const std::uintmax_t nSize = std::filesystem::file_size(path, error);
        !error && nSize > kMaxManifestBytes) {
        strError = strFile + " is not a manifest: it holds " + std::to_string(nSize) + " bytes";
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(path, bytes)) {
        strError =
            strFile + " is missing or cannot be read (a backup that did not finish has none)";
        return std::nullopt;
    }
    std::string strParse;
    const std::optional<CJson> root = ParseJson(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), strParse);
    if (!root || !root->is_object()) {
        strError = strFile + " is not a manifest: " + (root ? "not an object" : strParse);
        return std::nullopt;
    }
    CJsonFields field(strFile);
    UnitManifest manifest;
    manifest.nFormat = static_cast<int>(field.Integer(*root, "format", 0, 0x7FFFFFFF));
    if (!field.Failed() && manifest.nFormat != kUnitManifestFormat) {
        field.Fail("format " + std::to_string(manifest.nFormat) +
                   " is not known (this program reads " + std::to_string(kUnitManifestFormat) +
                   ")");
    }
    const CJson& inquiry = field.Object(*root, "inquiry");
    manifest.strVendor = field.String(inquiry, "vendor");
    manifest.strProduct = field.String(inquiry, "product");
    manifest.strRevision = field.String(inquiry, "revision");
    manifest.bEmulatedEnclosure = field.Bool(inquiry, "emulated_enclosure");
    const CJson& bus = field.Object(*root, "bus");
    manifest.nBusType = static_cast<int>(field.Integer(bus, "type", 0, 255));
    manifest.nBusMajor = static_cast<int>(field.Integer(bus, "major", 0, 255));
    manifest.nBusMinor = static_cast<int>(field.Integer(bus, "minor", 0, 255));
    manifest.strBusName = field.String(bus, "name");
    manifest.flashChip = ReadChip(field, *root, "flash_chip");
    manifest.spiChip = ReadChip(field, *root, "spi_chip");
    manifest.strSerial = field.String(*root, "serial");
    manifest.strUiSerial = field.String(*root, "ui_serial");
    const CJson& ui = field.Object(*root, "ui_controller");
    manifest.nUiState = static_cast<int>(field.Integer(ui, "state", -1, 255));
    manifest.bUiDebugger = field.Bool(ui, "debugger");
    if (const CJson* pBlock = CJsonFields::Member(ui, "info_block");
        pBlock != nullptr && !pBlock->is_null()) {
        std::array<BYTE, 16> block{};
        if (!pBlock->is_string() ||
            !ParseHexBytes(pBlock->get_ref<const std::string&>(), block.data(), block.size())) {
            field.Fail("\"info_block\" is not 32 hex digits");
        }
        manifest.infoBlock = block;
    }
    const CJson& memories = field.Object(*root, "memories");
    manifest.strFlashVersion = field.String(field.Object(memories, "flash"), "version_string");
    for (std::size_t i = 0; i < kMemoryCount && !field.Failed(); ++i) {
        const CJson& memory = field.Object(memories, Memories()[i].pszKey);
        ManifestMemory& entry = manifest.memories[i];
        const std::string strRead = field.String(memory, "read");
        const std::optional<MemoryRead> read = MemoryReadFromKey(strRead);
        if (!field.Failed() && !read) {
            field.Fail(std::string("\"read\" of ") + Memories()[i].pszKey + " is \"" + strRead +
                       "\", not whole, part or unreadable");
        }
        entry.read = read.value_or(MemoryRead::Unreadable);
        entry.nBytes = static_cast<std::uint32_t>(field.Integer(memory, "bytes", 0, 0x1000000));
        entry.wVersion = static_cast<WORD>(field.Integer(memory, "version", 0, 0xFFFF));
        if (Memories()[i].bDatedVersion) {
            entry.wDate = static_cast<WORD>(field.Integer(memory, "date", 0, 0xFFFF));
            entry.wTime = static_cast<WORD>(field.Integer(memory, "time", 0, 0xFFFF));
        }
        if (!field.Failed() && Memories()[i].pszBackupFile == nullptr &&
            entry.read != MemoryRead::Unreadable) {
            field.Fail(std::string(Memories()[i].pszKey) + " cannot have been read");
        }
    }
    if (field.Failed()) {
        strError = field.Error();
        return std::nullopt;
    }
    return manifest;
}

std::string FormatUnitManifest(const UnitManifest& manifest) {
    CJson memories = CJson::object();
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        const ManifestMemory& memory = manifest.memories[i];
        CJson entry = {{"read", MemoryReadKey(memory.read)},
                       {"bytes", memory.nBytes},
                       {"version", memory.wVersion}};
        if (Memories()[i].kind == MemoryKind::Flash) {
            entry["version_string"] = manifest.strFlashVersion;
        }
        if (Memories()[i].bDatedVersion) {
            entry["date"] = memory.wDate;
            entry["time"] = memory.wTime;
        }
        memories[Memories()[i].pszKey] = std::move(entry);
    }
    CJson json = CJson::object();
    json["format"] = manifest.nFormat;
    json["inquiry"] = {{"vendor", manifest.strVendor},
                       {"product", manifest.strProduct},
                       {"revision", manifest.strRevision},
                       {"emulated_enclosure", manifest.bEmulatedEnclosure}};
    json["bus"] = {{"type", manifest.nBusType},
                   {"major", manifest.nBusMajor},
                   {"minor", manifest.nBusMinor},
                   {"name", manifest.strBusName}};
    json["flash_chip"] = ChipJson(manifest.flashChip);
    json["spi_chip"] = ChipJson(manifest.spiChip);
    json["serial"] = manifest.strSerial;
    json["ui_serial"] = manifest.strUiSerial;
    json["ui_controller"] = {
        {"state", manifest.nUiState},
        {"debugger", manifest.bUiDebugger},
        {"info_block", manifest.infoBlock ? CJson(HexBytes(*manifest.infoBlock)) : CJson(nullptr)}};
    json["memories"] = std::move(memories);
    return JsonText(json) + "\n";
}

}  // namespace rf
