// A drive that answers INQUIRY, the FLASH chip's identification and every
// version read with whatever the input says: identification, the device's
// version texts of all five memories, and their comparison with the carried
// images.

#include <cstdint>
#include <string>

#include "device/FindDevice.h"
#include "device/ScsiDevice.h"
#include "fuzz/FuzzDevice.h"
#include "images/RomFlash.h"
#include "images/RomSeeprom.h"
#include "images/RomUi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    rf::fuzz::CFuzzEnvironment env;
    rf::fuzz::CFuzzInput input(pData, nSize);
    const std::uint8_t nOptions = input.Byte();
    rf::theCmdInfo.m_bEnableVendorMode = (nOptions & 0x01) != 0;
    rf::theCmdInfo.m_bEnableAllProducts = (nOptions & 0x02) != 0;
    rf::fuzz::CFuzzDeviceSystem system(input, false);
    rf::CScsiDevice device(system);
    device.m_strPath = u"fuzz";
    if (!device.Open(device.m_strPath.c_str())) {
        device.Close();
        return 0;
    }
    rf::CRom_Flash flash;
    rf::CRom_Host host;
    rf::CRom_Cpu cpu;
    rf::CRom_UI78K ui;
    rf::CRom_UIRSC resource;
    rf::CRomObject* const roms[] = {&flash, &host, &cpu, &ui, &resource};
    for (rf::CRomObject* pRom : roms) {
        pRom->ReadDeviceVersion(&device, nullptr);
        std::u16string strTitle;
        pRom->NeedsUpdate(strTitle);
        pRom->UpdateCheckBox(true);
    }
    device.Close();
    return 0;
}
