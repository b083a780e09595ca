#pragma once

// A sysfs tree made by a test in a temporary folder: device directories with
// their subsystem and driver links, attributes, and the /sys/dev and
// /sys/class/block links the kernel provides.

#include <string>

namespace rf::test {

struct FakeScsiDisk {
    std::string strParent;  // under devices/, e.g. "pci0000:00/.../2-1:1.0/host6"
    std::string strHctl = "6:0:0:0";
    std::string strBlockName = "sdb";
    std::string strBlockDev = "8:16";
    std::string strGenericName = "sg1";  // empty: no sg node
    std::string strGenericDev = "21:1";
    std::string
        strGenericDevName;  // node name the kernel reports (uevent DEVNAME); default the sg name
    std::string strVendor = "KESTREL";
    std::string strModel = "DVX4400DUO";
    std::string strRevision = "0027";
    std::string strType = "0";
    std::string strScsiLevel = "7";
    int nPartitions = 0;
};

// A disk alone on SCSI host nHost below the adapter, named after its host:
// sda and sg0 on host 0, sdb and sg1 on host 1.
FakeScsiDisk DiskOnHost(const std::string& strAdapter, int nHost, FakeScsiDisk disk = {});

class CFakeSysfs {
public:
    CFakeSysfs();
    ~CFakeSysfs();
    CFakeSysfs(const CFakeSysfs&) = delete;
    CFakeSysfs& operator=(const CFakeSysfs&) = delete;

    const std::string& Root() const { return m_strRoot; }

    // A directory under devices/ (parents made as needed), with subsystem and
    // driver links when given. Returns its full path.
    std::string AddDir(const std::string& strRelative, const std::string& strSubsystem = "",
                       const std::string& strDriver = "");
    void WriteAttribute(const std::string& strDir, const std::string& strName,
                        const std::string& strValue);

    // A USB device with its interface; returns the interface's relative path.
    std::string AddUsbDevice(const std::string& strDevicePath, const std::string& strSpeed);
    // A SCSI disk below strParent; returns the full path of the SCSI device's
    // directory ("<parent>/target.../<hctl>").
    std::string AddScsiDisk(const FakeScsiDisk& disk);
    // Marks a block device as held by another (device-mapper, md).
    void AddHolder(const std::string& strBlockDir, const std::string& strHolder);
    // Makes /sys/dev/char/<dev> point at a directory (to stand for another node).
    void LinkCharDevice(const std::string& strDev, const std::string& strTarget);

private:
    std::string m_strRoot;
};

}  // namespace rf::test
