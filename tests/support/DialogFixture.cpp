#include "support/DialogFixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "emulation/EmulatorPresets.h"
#include "ui/ControlIds.h"
#include "ui/MainUserDlg.h"

namespace rf::test {

CDialogFixture::CDialogFixture() {
    tracing.SetSink([this](const TraceEntry& entry) { trace.push_back(entry); });
}

CDialogFixture::~CDialogFixture() {
    if (dialog != nullptr) {
        dialog->SetListener(nullptr);
    }
}

std::shared_ptr<emu::CEmulatedEnclosure> CDialogFixture::Attach(const std::string& strPreset,
                                                                const std::u16string& path) {
    std::string strError;
    enclosure = MakeEmulatedEnclosure(strPreset, "", "", strError);
    EXPECT_NE(enclosure, nullptr) << strError;
    enclosure->EnableTrace(false);
    emulated.Attach(path, enclosure);
    return enclosure;
}

CMainDlg& CDialogFixture::OpenDialog(bool bVendor) {
    theCmdInfo.m_bEnableVendorMode = bVendor;
    dialog =
        bVendor ? std::make_unique<CMainDlg>(tracing) : std::make_unique<CMainUserDlg>(tracing);
    dialog->SetListener(this);
    dialog->m_strUnitName = unitName;
    dialog->Create();
    env.loop.RunUntil([this] { return nRefreshes > 0 || enclosure == nullptr; }, 5'000);
    return *dialog;
}

void CDialogFixture::RunFor(std::uint64_t nMilliseconds) {
    env.loop.RunUntil([] { return false; }, nMilliseconds);
}

UINT CDialogFixture::Update() {
    const std::size_t nBefore = results.size();
    PostMessageTo(*dialog, WM_COMMAND, IDC_UPDATE, 0);
    env.loop.RunUntil([&] { return results.size() > nBefore; }, 3'600'000);
    return results.size() > nBefore ? results[nBefore] : 0xFFFFFFFF;
}

void CDialogFixture::OnDeviceRefreshed(bool bFound) {
    ++nRefreshes;
    bLastFound = bFound;
}

void CDialogFixture::OnUpdateHandled(UINT nMessageId) {
    results.push_back(nMessageId);
}

}  // namespace rf::test
