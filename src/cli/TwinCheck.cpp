#include "cli/TwinCheck.h"
#include "session/CliOptions.h"

#include <cstdio>
#include <sstream>

#include "backup/UnitBackup.h"
#include "base/Clock.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "emulator/EmulatedDeviceSystem.h"
#include "update/FirmwareUpdate.h"

namespace rf {

namespace {

std::string Hex4(unsigned nValue) {
    return HexText(nValue & 0xFFFF, 4);
}

// The first thing the twin reports otherwise than the manifest; empty when
// it reads back as the unit did.
std::string Disagreement(CFirmwareUpdate& update, const UnitManifest& manifest) {
    const std::array<CRomObject*, 5> roms = update.Roms();
    for (std::size_t i = 0; i < kMemoryCount; ++i) {
        const WORD wTwin = roms[i]->m_wDeviceVersion;
        if (wTwin != manifest.memories[i].wVersion) {
            return std::string("the version of ") + Memories()[i].pszKey + " is " + Hex4(wTwin) +
                   " in the files, " + Hex4(manifest.memories[i].wVersion) + " in the manifest";
        }
    }
    if (FlashVersionString(update.m_romFlash) != manifest.strFlashVersion) {
        return "the bridge firmware's version string is \"" +
               FlashVersionString(update.m_romFlash) + "\" in the files, \"" +
               manifest.strFlashVersion + "\" in the manifest";
    }
    const auto triple = [](WORD wDate, WORD wTime) { return Hex4(wDate) + "/" + Hex4(wTime); };
    if (triple(update.m_romUI78K.m_wDeviceDate, update.m_romUI78K.m_wDeviceTime) !=
        triple(manifest.memories[MemoryKind::Ui].wDate, manifest.memories[MemoryKind::Ui].wTime)) {
        return "the UI firmware's build date and time differ from the manifest's";
    }
    if (triple(update.m_romUIRSC.m_wDeviceDate, update.m_romUIRSC.m_wDeviceTime) !=
        triple(manifest.memories[MemoryKind::Resource].wDate,
               manifest.memories[MemoryKind::Resource].wTime)) {
        return "the resource data's build date and time differ from the manifest's";
    }
    if (Utf16ToUtf8(update.m_romCpu.m_strSerialNo) != manifest.strSerial) {
        return "the serial number in the files is \"" + Utf16ToUtf8(update.m_romCpu.m_strSerialNo) +
               "\", in the manifest \"" + manifest.strSerial + "\"";
    }
    if (Utf16ToUtf8(update.m_romUI78K.m_strUiSerialNo) != manifest.strUiSerial) {
        return "the UI serial number differs from the manifest's";
    }
    if (Utf16ToUtf8(update.m_device.m_strRevision) != manifest.strRevision) {
        return "the bridge's revision would be " + Utf16ToUtf8(update.m_device.m_strRevision) +
               ", the manifest says " + manifest.strRevision;
    }
    return {};
}

}  // namespace

std::shared_ptr<emu::CEmulatedEnclosure> MakeCheckedTwin(const std::string& strBackup,
                                                         TwinProvenance& provenance,
                                                         std::string& strError) {
    const std::optional<UnitManifest> manifest = ReadUnitManifest(strBackup, strError);
    if (!manifest) {
        return nullptr;
    }
    if (const std::vector<std::string> unnamed = UnnamedBackupFiles(strBackup, *manifest);
        !unnamed.empty()) {
        strError = strBackup + " holds files its manifest does not name:";
        for (const std::string& strName : unnamed) {
            strError += " " + strName;
        }
        return nullptr;
    }
    // The check reads a twin of its own, so the one handed out has seen no
    // command (reading switches a controller that waits to be switched).
    {
        // The clock first: the twin starts up on it as it is made.
        CVirtualClock clock;
        CScopedClock scopedClock(clock);
        std::shared_ptr<emu::CEmulatedEnclosure> pProbe =
            MakeTwinFromBackup(strBackup, *manifest, provenance, strError);
        if (pProbe == nullptr) {
            return nullptr;
        }
        emu::CEmulatedDeviceSystem system;
        system.Attach(u"twin", pProbe);
        CFirmwareUpdate update(system);
        std::ostringstream ignored;
        if (!FindAndReadUnit(update, nullptr, ignored, CliOptions{})) {
            strError = "the twin made of it is not found as a supported enclosure (INQUIRY \"" +
                       manifest->strVendor + "\" \"" + manifest->strProduct + "\")";
            return nullptr;
        }
        update.m_device.Close();
        if (const std::string strWhy = Disagreement(update, *manifest); !strWhy.empty()) {
            strError = "the backup's files do not agree with its manifest: " + strWhy;
            return nullptr;
        }
    }
    return MakeTwinFromBackup(strBackup, *manifest, provenance, strError);
}

}  // namespace rf
