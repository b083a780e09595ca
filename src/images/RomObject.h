#pragma once

// One image object per memory of the enclosure: the image that would be
// written (carried in the program or loaded from a file), its version text,
// the version read from the device, and the check box that selects the
// memory for writing. The kinds know their formats; this base knows what
// they share.

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/Types.h"
#include "framework/FileDropTarget.h"
#include "framework/controls/AcceptFileEdit.h"
#include "framework/controls/Button.h"
#include "images/ImageOrigin.h"

namespace rf {

class CDevice;
class IProgress;

// The dialog that shows an image object. Without one, the object touches no
// window and its selection lives in m_bUpdate alone.
class IRomOwner {
public:
    // Load direction (false): copy the texts into the controls.
    virtual bool UpdateData(bool bSaveAndValidate) = 0;

protected:
    ~IRomOwner() = default;
};

class CRomObject : public IFileDropTarget {
public:
    // With the carried image of that id in a buffer of nBufferSize bytes.
    CRomObject(UINT nResourceId, UINT nBufferSize);
    // Without an image, in a buffer of 2048 bytes.
    CRomObject();
    virtual ~CRomObject();
    CRomObject(const CRomObject&) = delete;
    CRomObject& operator=(const CRomObject&) = delete;

    virtual void SetDataSize(UINT nSize);
    // Replaces the image with the file's contents. True when an image is
    // held afterwards. A file that cannot be read drops the image; a file
    // larger than the buffer changes nothing.
    bool LoadFile(const char16_t* pszPath) override;
    virtual bool IsLoaded() const;
    // Validates the image and sets m_strRomVersion.
    virtual void UpdateRomVersion() = 0;
    // Sets m_strDeviceVersion, m_wDeviceVersion and the kind's own fields.
    virtual void ReadDeviceVersion(CDevice* pDevice, IProgress* pProgress) = 0;
    // Stores the kind's title; true when the image is newer than the device's.
    virtual bool NeedsUpdate(std::u16string& strTitle) = 0;

    bool LoadFromResource(UINT nResourceId);
    void RefreshRomVersion();
    bool IsUpdateChecked() const;
    void UpdateCheckBox(bool bDeviceOpen);

    IRomOwner* m_pOwner = nullptr;
    const UINT m_nBufferSize;
    std::unique_ptr<BYTE[]> m_pData;
    UINT m_nDataSize = 0;  // 0: no image held
    // 0xFFFF: not read; 0: read, but the device's content is invalid.
    WORD m_wDeviceVersion = 0xFFFF;
    std::u16string m_strRomVersion;
    CAcceptFileEdit m_editRomVersion;
    std::u16string m_strDeviceVersion;
    CButton m_chkUpdate;
    bool m_bUpdateLocked = false;
    // The selection for writing. The check box, where there is one, shows
    // it; the update sets it (a click on the box goes through the update).
    bool m_bUpdate = false;
    // The technical titles and the longer version texts of vendor mode.
    bool m_bVendorMode = false;
    // Where the held image came from, and the file or package it was read
    // from (empty for a carried image).
    ImageOrigin m_origin = ImageOrigin::Test;
    std::u16string m_strOriginPath;

    // Takes an image that was read and checked elsewhere (a firmware
    // package), as a drop would; false when it does not fit.
    bool LoadBytes(std::span<const BYTE> bytes, ImageOrigin origin, const std::u16string& strPath);

protected:
    // The little-endian word at nOffset of the buffer (past it: 0xFFFF).
    WORD DataWord(UINT nOffset) const;
    // True when the buffer holds these characters at nOffset.
    bool DataMatches(UINT nOffset, std::string_view text) const;

private:
    explicit CRomObject(UINT nBufferSize);
    // Puts the bytes at the start of an erased buffer; false when they do
    // not fit.
    bool TakeImage(const BYTE* pBytes, std::size_t nSize);
};

// "YYYY/MM/DD hh:mm:ss" of a packed date and time; fields are not checked,
// so month 0 prints as "00".
std::u16string FormatDosDateTime(WORD wTime, WORD wDate);

// The characters 0x20 to 0x7E of the bytes, in order; other bytes are
// skipped, and with bStopAtNul the first zero byte ends the text.
std::u16string PrintableText(const BYTE* pBytes, std::size_t nLength, bool bStopAtNul);

inline WORD LittleEndianWord(const BYTE* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

}  // namespace rf
