#include "support/FakeSysfs.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace rf::test {

FakeScsiDisk DiskOnHost(const std::string& strAdapter, int nHost, FakeScsiDisk disk) {
    const std::string strHost = std::to_string(nHost);
    disk.strParent = strAdapter + "/host" + strHost;
    disk.strHctl = strHost + ":0:0:0";
    disk.strBlockName = std::string("sd") + static_cast<char>('a' + nHost);
    disk.strBlockDev = "8:" + std::to_string(16 * nHost);
    disk.strGenericName = "sg" + strHost;
    disk.strGenericDev = "21:" + strHost;
    return disk;
}

CFakeSysfs::CFakeSysfs() {
    std::string strTemplate = (fs::temp_directory_path() / "reflasher-sysfs-XXXXXX").string();
    m_strRoot = ::mkdtemp(strTemplate.data());
    for (const char* pszDir : {"devices", "dev/block", "dev/char", "class/block", "bus"}) {
        fs::create_directories(fs::path(m_strRoot) / pszDir);
    }
}

CFakeSysfs::~CFakeSysfs() {
    std::error_code error;
    fs::remove_all(m_strRoot, error);
}

std::string CFakeSysfs::AddDir(const std::string& strRelative, const std::string& strSubsystem,
                               const std::string& strDriver) {
    const fs::path dir = fs::path(m_strRoot) / "devices" / strRelative;
    fs::create_directories(dir);
    if (!strSubsystem.empty()) {
        const fs::path target = fs::path(m_strRoot) / "bus" / strSubsystem;
        fs::create_directories(target);
        fs::create_symlink(target, dir / "subsystem");
    }
    if (!strDriver.empty()) {
        const fs::path target = fs::path(m_strRoot) / "bus" / "drivers" / strDriver;
        fs::create_directories(target);
        fs::create_symlink(target, dir / "driver");
    }
    return dir.string();
}

void CFakeSysfs::WriteAttribute(const std::string& strDir, const std::string& strName,
                                const std::string& strValue) {
    std::ofstream(fs::path(strDir) / strName) << strValue << '\n';
}

std::string CFakeSysfs::AddUsbDevice(const std::string& strDevicePath,
                                     const std::string& strSpeed) {
    const std::string strDevice = AddDir(strDevicePath, "usb", "usb");
    WriteAttribute(strDevice, "speed", strSpeed);
    const std::string strInterface =
        strDevicePath + "/" + fs::path(strDevicePath).filename().string() + ":1.0";
    AddDir(strInterface, "usb", "usb-storage");
    return strInterface;
}

std::string CFakeSysfs::AddScsiDisk(const FakeScsiDisk& disk) {
    const std::string strTarget = "target" + disk.strHctl.substr(0, disk.strHctl.rfind(':'));
    const std::string strScsiRelative = disk.strParent + "/" + strTarget + "/" + disk.strHctl;
    const std::string strScsiDir = AddDir(strScsiRelative, "scsi", "sd");
    WriteAttribute(strScsiDir, "vendor", disk.strVendor);
    WriteAttribute(strScsiDir, "model", disk.strModel);
    WriteAttribute(strScsiDir, "rev", disk.strRevision);
    WriteAttribute(strScsiDir, "type", disk.strType);
    WriteAttribute(strScsiDir, "scsi_level", disk.strScsiLevel);

    const std::string strBlockDir =
        AddDir(strScsiRelative + "/block/" + disk.strBlockName, "block");
    WriteAttribute(strBlockDir, "dev", disk.strBlockDev);
    fs::create_symlink(strBlockDir, fs::path(m_strRoot) / "dev" / "block" / disk.strBlockDev);
    fs::create_symlink(strBlockDir, fs::path(m_strRoot) / "class" / "block" / disk.strBlockName);
    const auto nColon = disk.strBlockDev.find(':');
    const int nMinor = std::atoi(disk.strBlockDev.substr(nColon + 1).c_str());
    for (int i = 1; i <= disk.nPartitions; ++i) {
        const std::string strName = disk.strBlockName + std::to_string(i);
        const std::string strDev =
            disk.strBlockDev.substr(0, nColon) + ":" + std::to_string(nMinor + i);
        const std::string strPartDir =
            AddDir(strScsiRelative + "/block/" + disk.strBlockName + "/" + strName, "block");
        WriteAttribute(strPartDir, "dev", strDev);
        WriteAttribute(strPartDir, "partition", std::to_string(i));
        fs::create_symlink(strPartDir, fs::path(m_strRoot) / "dev" / "block" / strDev);
        fs::create_symlink(strPartDir, fs::path(m_strRoot) / "class" / "block" / strName);
    }
    if (!disk.strGenericName.empty()) {
        const std::string strSgDir =
            AddDir(strScsiRelative + "/scsi_generic/" + disk.strGenericName, "scsi_generic");
        WriteAttribute(strSgDir, "dev", disk.strGenericDev);
        if (!disk.strGenericDevName.empty()) {
            WriteAttribute(strSgDir, "uevent", "MAJOR=21\nDEVNAME=" + disk.strGenericDevName);
        }
        LinkCharDevice(disk.strGenericDev, strSgDir);
    }
    return strScsiDir;
}

void CFakeSysfs::AddHolder(const std::string& strBlockDir, const std::string& strHolder) {
    fs::create_directories(fs::path(strBlockDir) / "holders" / strHolder);
}

void CFakeSysfs::LinkCharDevice(const std::string& strDev, const std::string& strTarget) {
    const fs::path link = fs::path(m_strRoot) / "dev" / "char" / strDev;
    std::error_code error;
    fs::remove(link, error);
    fs::create_symlink(strTarget, link);
}

}  // namespace rf::test
