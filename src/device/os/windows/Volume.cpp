#include "device/os/windows/Volume.h"

namespace rf {

namespace {

char16_t LetterOf(int nLetter) {
    return static_cast<char16_t>(u'A' + nLetter);
}

}  // namespace

std::u16string VolumePath(int nLetter) {
    return std::u16string(u"\\\\.\\") + LetterOf(nLetter) + u':';
}

std::u16string VolumeRoot(int nLetter) {
    return std::u16string(1, LetterOf(nLetter)) + u":\\";
}

std::u16string VolumeName(int nLetter) {
    return std::u16string(1, LetterOf(nLetter)) + u':';
}

bool CVolume::FlushFileBuffers() {
    return m_hVolume != nullptr && m_hVolume->FlushFileBuffers();
}

bool CVolume::Control(::DWORD dwCode) {
    std::lock_guard lock(m_lock);
    return m_hVolume != nullptr && m_hVolume->Control(dwCode);
}

bool CVolume::GetDeviceNumber(StorageDeviceNumber& number) {
    number = StorageDeviceNumber{};
    bool bOk = false;
    {
        std::lock_guard lock(m_lock);
        bOk = m_hVolume != nullptr && m_hVolume->GetDeviceNumber(number);
    }
    if (!bOk) {
        number.DeviceType = -1;
    }
    return bOk;
}

}  // namespace rf
