#pragma once

// The terminal front end over a sysfs tree made by the test, through the
// Linux port. No drive of the tree can be opened for real: SG_IO always
// fails.

#include <optional>

#include "device/os/linux/LinuxDeviceSystem.h"
#include "device/os/linux/SysfsDirectoryTree.h"
#include "support/CliFixture.h"
#include "support/FakeSysfs.h"

namespace rf::test {

class CLinuxCliFixture : public CCliFixture {
protected:
    IDeviceSystem& ComputerDrives() override {
        m_system.reset();
        m_tree.emplace(sysfs.Root());
        m_system.emplace(*m_tree, m_volumeCalls, [](int, unsigned long, void*) { return -1; });
        return *m_system;
    }

    CFakeSysfs sysfs;

private:
    CLinuxVolumeSystemCalls m_volumeCalls;
    std::optional<CSysfsDirectoryTree> m_tree;
    std::optional<CLinuxDeviceSystem> m_system;
};

}  // namespace rf::test
