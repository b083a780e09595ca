#include "images/RomObject.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/FilePath.h"
#include "base/Text.h"
#include "images/ImageResources.h"
#include "text/StringTable.h"

namespace rf {

namespace {

constexpr UINT kDefaultBufferSize = 0x800;
constexpr BYTE kErased = 0xFF;

}  // namespace

CRomObject::CRomObject(UINT nResourceId, UINT nBufferSize) : CRomObject(nBufferSize) {
    LoadFromResource(nResourceId);
}

CRomObject::CRomObject() : CRomObject(kDefaultBufferSize) {}

CRomObject::CRomObject(UINT nBufferSize)
    : m_nBufferSize(nBufferSize), m_pData(std::make_unique<BYTE[]>(nBufferSize)) {
    // An erased buffer: the bytes past an image read as a blank chip would.
    std::fill_n(m_pData.get(), m_nBufferSize, kErased);
    m_editRomVersion.m_pTarget = this;
}

CRomObject::~CRomObject() = default;

void CRomObject::SetDataSize(UINT nSize) {
    m_nDataSize = nSize;
}

bool CRomObject::IsLoaded() const {
    return m_nDataSize != 0;
}

bool CRomObject::TakeImage(const BYTE* pBytes, std::size_t nSize) {
    // The raw size is checked as well as the rounded one, so that no
    // rounding can make a large image look small.
    if (nSize > m_nBufferSize) {
        m_nDataSize = 0;
        return false;
    }
    SetDataSize(static_cast<UINT>(nSize));
    if (m_nDataSize > m_nBufferSize) {
        m_nDataSize = 0;
        return false;
    }
    std::fill_n(m_pData.get(), m_nBufferSize, kErased);
    std::copy_n(pBytes, nSize, m_pData.get());
    return true;
}

bool CRomObject::LoadFromResource(UINT nResourceId) {
    const std::span<const BYTE> image = FindImageResource(nResourceId);
    m_origin = CarriedOrigin();
    m_strOriginPath.clear();
    if (image.empty()) {
        m_nDataSize = 0;
        return false;
    }
    return TakeImage(image.data(), image.size());
}

bool CRomObject::LoadFile(const char16_t* pszPath) {
    // A file that cannot be read leaves no image, and the text must say so
    // at once: a version shown for an image no longer held would be written
    // nowhere.
    auto dropImage = [this] {
        m_nDataSize = 0;
        RefreshRomVersion();
        return false;
    };
    if (pszPath == nullptr) {
        return dropImage();
    }
    const std::filesystem::path path = PathFromUtf16(pszPath);
    // Only a regular file holds an image. A directory opens but reads
    // nothing, and a pipe or a device may block or never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return dropImage();
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return dropImage();
    }
    file.seekg(0, std::ios::end);
    const std::streamoff nEnd = file.tellg();
    file.seekg(0, std::ios::beg);
    if (nEnd < 0 || !file) {
        return dropImage();
    }
    const auto nLength = static_cast<std::uintmax_t>(nEnd);
    if (nLength > m_nBufferSize) {
        return false;  // refused before reading; the image held stays
    }

    SetDataSize(static_cast<UINT>(nLength));
    if (m_nDataSize > m_nBufferSize) {
        return dropImage();
    }
    std::fill_n(m_pData.get(), m_nBufferSize, kErased);
    file.read(reinterpret_cast<char*>(m_pData.get()), static_cast<std::streamsize>(nLength));
    const auto nRead = static_cast<std::uintmax_t>(file.gcount());
    // No share mode keeps another program from writing the file while it
    // is read here, so a file whose length changed under us is refused
    // like one that cannot be read: half an image must never be written.
    const bool bWhole = nRead == nLength && file.peek() == std::ifstream::traits_type::eof();
    if (!bWhole) {
        return dropImage();
    }
    m_nDataSize = static_cast<UINT>(nRead);  // a file keeps its exact length
    m_origin = ImageOrigin::File;
    m_strOriginPath = pszPath;
    RefreshRomVersion();
    return IsLoaded();
}

bool CRomObject::LoadBytes(std::span<const BYTE> bytes, ImageOrigin origin,
                           const std::u16string& strPath) {
    if (bytes.empty() || bytes.size() > m_nBufferSize) {
        return false;  // the image held stays
    }
    std::fill_n(m_pData.get(), m_nBufferSize, kErased);
    std::copy(bytes.begin(), bytes.end(), m_pData.get());
    m_nDataSize = static_cast<UINT>(bytes.size());  // exact, as from a file
    m_origin = origin;
    m_strOriginPath = strPath;
    RefreshRomVersion();
    return true;
}

void CRomObject::RefreshRomVersion() {
    if (IsLoaded()) {
        UpdateRomVersion();
    } else {
        m_strRomVersion = LoadResString(IDS_ERR_READ_FILE);
    }
    if (m_pOwner != nullptr) {
        m_pOwner->UpdateData(false);
    }
}

bool CRomObject::IsUpdateChecked() const {
    return IsLoaded() && m_bUpdate;
}

void CRomObject::UpdateCheckBox(bool bDeviceOpen) {
    // NeedsUpdate comes first whatever the device: it stores the title and
    // may lock the box.
    std::u16string strTitle;
    const bool bNeeded = NeedsUpdate(strTitle) && bDeviceOpen;
    m_bUpdate = bNeeded;
    const std::u16string strLabel =
        bNeeded ? strTitle + u"(" + LoadResString(IDS_RECOMMENDED_MARK) + u"):" : strTitle + u":";
    if (m_pOwner != nullptr && m_chkUpdate.HasWindow()) {
        m_chkUpdate.SetWindowText(strLabel);
        m_chkUpdate.EnableWindow(IsLoaded() && bDeviceOpen && !m_bUpdateLocked);
        m_chkUpdate.SetCheck(bNeeded ? BST_CHECKED : BST_UNCHECKED);
    }
}

WORD CRomObject::DataWord(UINT nOffset) const {
    if (nOffset >= m_nBufferSize || m_nBufferSize - nOffset < 2) {
        return 0xFFFF;
    }
    return static_cast<WORD>(m_pData[nOffset] | m_pData[nOffset + 1] << 8);
}

bool CRomObject::DataMatches(UINT nOffset, std::string_view text) const {
    return nOffset <= m_nBufferSize && text.size() <= m_nBufferSize - nOffset &&
           std::memcmp(m_pData.get() + nOffset, text.data(), text.size()) == 0;
}

std::u16string FormatDosDateTime(WORD wTime, WORD wDate) {
    // 19 characters for every input; the larger buffer only quiets the
    // compiler's worst case.
    char acText[32];
    std::snprintf(acText, sizeof acText, "%04d/%02d/%02d %02d:%02d:%02d", (wDate >> 9) + 1980,
                  (wDate >> 5) & 0x0F, wDate & 0x1F, (wTime >> 11) & 0x1F, (wTime >> 5) & 0x3F,
                  (wTime & 0x1F) * 2);
    return Widen(acText);
}

std::u16string PrintableText(const BYTE* pBytes, std::size_t nLength, bool bStopAtNul) {
    std::u16string text;
    for (std::size_t i = 0; i < nLength; ++i) {
        const BYTE b = pBytes[i];
        if (b == 0 && bStopAtNul) {
            break;
        }
        if (b >= 0x20 && b <= 0x7E) {
            text.push_back(static_cast<char16_t>(b));
        }
    }
    return text;
}

}  // namespace rf
