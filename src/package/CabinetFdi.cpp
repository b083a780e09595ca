// Cabinet archives on Windows, read through the system's own cabinet
// functions (FDI in cabinet.dll). The archive is in memory and every file of
// it is decompressed into memory: FDI's file callbacks work on our own
// in-memory streams, never on paths it would have to be given in the ANSI
// code page. A first pass skips every file and only adds up their sizes, so
// that an archive that would expand beyond what a package may hold is
// refused before anything of it is expanded.

#include <windows.h>

#include <fdi.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "package/FirmwarePackage.h"
#include "text/StringTable.h"

namespace rf {

namespace {

// A stream FDI reads (the archive) or writes (one of its files).
struct MemoryStream {
    const std::span<const BYTE>* pInput = nullptr;  // the archive, when reading
    std::vector<BYTE> output;                       // a file's bytes, when writing
    std::string strName;
    std::size_t nAt = 0;
};

// The archive FDI opens: FDI's open callback takes no context of its own,
// so the one extraction running on this thread names it.
thread_local const std::span<const BYTE>* t_pArchive = nullptr;

struct Extraction {
    PackageFiles* pFiles = nullptr;  // null: only add up the sizes
    std::uintmax_t nTotal = 0;
    bool bFailed = false;
};

MemoryStream* StreamOf(INT_PTR hf) {
    return reinterpret_cast<MemoryStream*>(hf);
}

void* DIAMONDAPI Alloc(ULONG cb) {
    return std::malloc(cb);
}

void DIAMONDAPI Free(void* pv) {
    std::free(pv);
}

INT_PTR DIAMONDAPI Open(char* /*pszFile*/, int /*oflag*/, int /*pmode*/) {
    if (t_pArchive == nullptr) {
        return -1;
    }
    auto* pStream = new MemoryStream;
    pStream->pInput = t_pArchive;
    return reinterpret_cast<INT_PTR>(pStream);
}

UINT DIAMONDAPI Read(INT_PTR hf, void* pv, UINT cb) {
    MemoryStream* pStream = StreamOf(hf);
    if (pStream->pInput == nullptr) {
        return static_cast<UINT>(-1);
    }
    const std::size_t nLeft =
        pStream->pInput->size() - std::min(pStream->nAt, pStream->pInput->size());
    const std::size_t nCount = std::min<std::size_t>(cb, nLeft);
    std::copy_n(pStream->pInput->begin() + static_cast<std::ptrdiff_t>(pStream->nAt), nCount,
                static_cast<BYTE*>(pv));
    pStream->nAt += nCount;
    return static_cast<UINT>(nCount);
}

UINT DIAMONDAPI Write(INT_PTR hf, void* pv, UINT cb) {
    MemoryStream* pStream = StreamOf(hf);
    const auto* pBytes = static_cast<const BYTE*>(pv);
    pStream->output.insert(pStream->output.end(), pBytes, pBytes + cb);
    return cb;
}

int DIAMONDAPI Close(INT_PTR hf) {
    delete StreamOf(hf);
    return 0;
}

LONG DIAMONDAPI Seek(INT_PTR hf, LONG nDistance, int nOrigin) {
    MemoryStream* pStream = StreamOf(hf);
    const std::size_t nSize =
        pStream->pInput != nullptr ? pStream->pInput->size() : pStream->output.size();
    long long nBase = 0;
    if (nOrigin == SEEK_CUR) {
        nBase = static_cast<long long>(pStream->nAt);
    } else if (nOrigin == SEEK_END) {
        nBase = static_cast<long long>(nSize);
    }
    const long long nTarget = nBase + nDistance;
    if (nTarget < 0 || nTarget > static_cast<long long>(nSize)) {
        return -1;
    }
    pStream->nAt = static_cast<std::size_t>(nTarget);
    return static_cast<LONG>(nTarget);
}

INT_PTR DIAMONDAPI Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION pNotification) {
    auto* pExtraction = static_cast<Extraction*>(pNotification->pv);
    switch (type) {
        case fdintCOPY_FILE: {
            if (pExtraction->pFiles == nullptr) {
                pExtraction->nTotal += static_cast<ULONG>(pNotification->cb);
                return 0;  // skipped: nothing of it is expanded
            }
            auto* pStream = new MemoryStream;
            pStream->strName = pNotification->psz1;
            return reinterpret_cast<INT_PTR>(pStream);
        }
        case fdintCLOSE_FILE_INFO: {
            MemoryStream* pStream = StreamOf(pNotification->hf);
            (*pExtraction->pFiles)[pStream->strName] = std::move(pStream->output);
            delete pStream;
            return TRUE;
        }
        case fdintPARTIAL_FILE:
        case fdintNEXT_CABINET:
            // A package is one cabinet; a file continued in another is damage.
            pExtraction->bFailed = true;
            return -1;
        default:
            return 0;
    }
}

// One pass of FDI over the archive.
bool CopyFiles(const std::span<const BYTE>& archive, Extraction& extraction) {
    ERF error{};
    HFDI hFdi = FDICreate(&Alloc, &Free, &Open, &Read, &Write, &Close, &Seek, cpuUNKNOWN, &error);
    if (hFdi == nullptr) {
        return false;
    }
    t_pArchive = &archive;
    char szName[] = "package.cab";
    char szPath[] = "";
    const bool bCopied = FDICopy(hFdi, szName, szPath, 0, &Notify, nullptr, &extraction) != FALSE;
    t_pArchive = nullptr;
    FDIDestroy(hFdi);
    return bCopied && !extraction.bFailed;
}

}  // namespace

UINT ReadCabinetBytes(std::span<const BYTE> archive, PackageFiles& files) {
    Extraction sizes{nullptr, 0, false};
    if (!CopyFiles(archive, sizes)) {
        return IDS_PKG_CAB_DAMAGED;
    }
    if (sizes.nTotal > kLargestPackage) {
        return IDS_PKG_TOO_LARGE_WHOLE;
    }
    Extraction extraction{&files, 0, false};
    if (!CopyFiles(archive, extraction)) {
        return IDS_PKG_CAB_DAMAGED;
    }
    return 0;
}

// Packages are made on Linux; the Windows program reads them.
bool WriteCabinet(const std::filesystem::path& /*path*/, const PackageFiles& /*files*/) {
    return false;
}

}  // namespace rf
