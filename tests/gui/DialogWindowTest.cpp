#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "WindowFixture.h"
#include "firmware/FirmwareImages.h"
#include "framework/Startup.h"
#include "support/TempFiles.h"
#include "text/StringTable.h"
#include "ui/ControlIds.h"
#include "ui/DialogTemplates.h"

namespace rf::test {
namespace {

constexpr UINT kCheckBoxes[] = {IDC_CHECK_FLASH, IDC_CHECK_HOST, IDC_CHECK_UI78K, IDC_CHECK_UIRSC};

QCheckBox* CheckBox(CDialogWindow& window, UINT nId) {
    return qobject_cast<QCheckBox*>(window.Control(nId));
}

QStringList GroupTitles(CDialogWindow& window) {
    QStringList titles;
    for (const QGroupBox* pBox : window.findChildren<QGroupBox*>()) {
        titles << pBox->title();
    }
    return titles;
}

QStringList LabelTexts(CDialogWindow& window) {
    QStringList texts;
    for (const QLabel* pLabel : window.findChildren<QLabel*>()) {
        if (pLabel->objectName().isEmpty()) {
            texts << pLabel->text();
        }
    }
    return texts;
}

// Every label, check box and button shows its whole text, and every field
// holds its whole text: what a person sees is never cut off.
void ExpectNothingClipped(CDialogWindow& window, const char* pszWhen) {
    for (QLabel* pLabel : window.findChildren<QLabel*>()) {
        EXPECT_GE(pLabel->width(), pLabel->fontMetrics().horizontalAdvance(pLabel->text()))
            << pszWhen << ": " << pLabel->text().toStdString();
    }
    for (QAbstractButton* pButton : window.findChildren<QAbstractButton*>()) {
        EXPECT_GE(pButton->width(), pButton->sizeHint().width())
            << pszWhen << ": " << pButton->text().toStdString();
    }
    for (QLineEdit* pField : window.findChildren<QLineEdit*>()) {
        // The frame and the text margins take a few pixels of each side.
        EXPECT_GE(pField->width() - 8, pField->fontMetrics().horizontalAdvance(pField->text()))
            << pszWhen << ": " << pField->text().toStdString();
    }
}

class DialogWindowTest : public ::testing::Test, public CWindowFixture {};

TEST_F(DialogWindowTest, FullWindowWithoutADeviceWaitsWithEverythingOff) {
    CDialogWindow& window = OpenWindow(true);
    RunWindowFor(3000);
    EXPECT_EQ(window.windowTitle().toStdU16String(), AppName());
    EXPECT_EQ(GroupTitles(window),
              (QStringList{"Update Information", "Current Device Information"}));
    for (const char* pszLabel : {"FLASH-ROM Version:", "SEEPROM(Host) Version:",
                                 "78K Firmware Version:", "Resource Data Version:", "Serial No."}) {
        EXPECT_TRUE(LabelTexts(window).contains(pszLabel)) << pszLabel;
    }
    // Every control of the template has its widget, and shows what the
    // dialog holds for it.
    for (const TemplateControl& control : FindDialogTemplate(IDD_MAIN_DIALOG)->controls) {
        if (control.nId != 0) {
            ASSERT_NE(window.Control(control.nId), nullptr) << control.nId;
        }
        if (const CWnd* pControl = dialog->GetDlgItem(control.nId)) {
            EXPECT_EQ(Shown(control.nId).toStdU16String(), pControl->GetWindowText())
                << control.nId;
        }
    }
    EXPECT_EQ(Shown(IDC_DEVICE_NAME), " Searching device ...");
    EXPECT_EQ(Shown(IDC_ROM_VERSION_FLASH), "0.27 KESTREL_DVXDUO 2013/11/12 15:11:15");
    EXPECT_EQ(Shown(IDC_DEVICE_VERSION_FLASH), "");
    EXPECT_EQ(Shown(IDC_SERIAL_NO), "");
    for (UINT nId : kCheckBoxes) {
        EXPECT_FALSE(CheckBox(window, nId)->isEnabled()) << nId;
        EXPECT_FALSE(CheckBox(window, nId)->isChecked()) << nId;
    }
    auto* pButton = qobject_cast<QPushButton*>(window.Control(IDC_UPDATE));
    EXPECT_FALSE(pButton->isEnabled());
    EXPECT_TRUE(pButton->isDefault());
    EXPECT_EQ(pButton->text(), "&Update firmware");
    ExpectNothingClipped(window, "no device");
}

TEST_F(DialogWindowTest, FullWindowFindsTheDeviceAndFollowsItsCheckBoxes) {
    CDialogWindow& window = OpenWindow(true);
    Attach("row1");
    RunUntil([this] { return bLastFound; }, 1500);
    ASSERT_TRUE(bLastFound) << "found within a tick of being plugged in";
    EXPECT_EQ(Shown(IDC_DEVICE_NAME), "KESTREL  DVX4400DUO");
    EXPECT_EQ(Shown(IDC_SERIAL_NO), "KD44D2-1311-004870");
    EXPECT_EQ(Shown(IDC_UI_SERIAL_NO), "DVX44-UI-004870");
    EXPECT_EQ(Shown(IDC_DEVICE_VERSION_HOST), "C017");
    EXPECT_EQ(CheckBox(window, IDC_CHECK_FLASH)->text(), "FLASH-ROM Version(*):");
    for (UINT nId : kCheckBoxes) {
        EXPECT_TRUE(CheckBox(window, nId)->isEnabled()) << nId;
        EXPECT_TRUE(CheckBox(window, nId)->isChecked()) << nId;
    }
    QWidget* pButton = window.Control(IDC_UPDATE);
    EXPECT_TRUE(pButton->isEnabled());
    ExpectNothingClipped(window, "device found");

    // The button follows the boxes the person ticks.
    for (UINT nId : kCheckBoxes) {
        QTest::mouseClick(CheckBox(window, nId), Qt::LeftButton);
    }
    EXPECT_FALSE(dialog->IsSelected(dialog->m_romHost));
    EXPECT_FALSE(pButton->isEnabled());
    QTest::mouseClick(CheckBox(window, IDC_CHECK_HOST), Qt::LeftButton);
    EXPECT_TRUE(dialog->IsSelected(dialog->m_romHost));
    EXPECT_TRUE(pButton->isEnabled());

    // Unplugged: the window forgets the device within a second.
    emulated.Detach(u"sdb");
    RunWindowFor(1100);
    EXPECT_EQ(Shown(IDC_DEVICE_NAME), " Searching device ...");
    EXPECT_EQ(Shown(IDC_DEVICE_VERSION_HOST), "");
    EXPECT_FALSE(CheckBox(window, IDC_CHECK_HOST)->isChecked());
    EXPECT_FALSE(pButton->isEnabled());
}

TEST_F(DialogWindowTest, UserWindowShowsProductVersionsAndLists) {
    Attach("row1");
    CDialogWindow& window = OpenWindow(false);
    EXPECT_EQ(GroupTitles(window),
              (QStringList{"Update Information", "Current Device Information"}));
    EXPECT_EQ(window.Control(IDC_ROM_VERSION_FLASH), nullptr) << "no per-memory rows";
    EXPECT_EQ(window.Control(IDC_CHECK_FLASH), nullptr);
    EXPECT_EQ(window.Control(IDC_UI_SERIAL_NO), nullptr);
    EXPECT_EQ(Shown(IDC_PRODUCT_VERSION), "Ver.1.01");
    EXPECT_EQ(Shown(IDC_FIRMWARE_VERSIONS),
              "(1) Ver.0027\n(2) Ver.C018\n(3) Ver.0029\n(4) Ver.0023");
    EXPECT_EQ(Shown(IDC_DEVICE_PRODUCT_VERSION), "Ver.1.00");
    EXPECT_EQ(Shown(IDC_DEVICE_FIRMWARE_VERSIONS),
              "(1) Ver.0024\n(2) Ver.C017\n(3) Ver.0025\n(4) Ver.0022\n");
    EXPECT_EQ(Shown(IDC_SERIAL_NO), "KD44D2-1311-004870");
    EXPECT_TRUE(window.Control(IDC_UPDATE)->isEnabled());
    ExpectNothingClipped(window, "user dialog");

    emulated.Detach(u"sdb");
    RunWindowFor(1100);
    EXPECT_EQ(Shown(IDC_DEVICE_PRODUCT_VERSION), "");
    EXPECT_EQ(Shown(IDC_DEVICE_FIRMWARE_VERSIONS), "");
    EXPECT_FALSE(window.Control(IDC_UPDATE)->isEnabled());
}

TEST_F(DialogWindowTest, WholeUpdateFromTheButtonWithTheWindowGuardedWhileBusy) {
    Attach("row1");
    CDialogWindow& window = OpenWindow(true);
    auto* pBar = qobject_cast<QProgressBar*>(window.Control(IDC_PROGRESS));
    int nHighestBar = 0;
    QObject::connect(pBar, &QProgressBar::valueChanged,
                     [&](int nValue) { nHighestBar = std::max(nHighestBar, nValue); });
    const QString strImageBefore = Shown(IDC_ROM_VERSION_FLASH);
    CTempFiles temp;
    const QUrl file = QUrl::fromLocalFile(QString::fromStdU16String(
        temp.Write("bridge-0024.bin", FindFirmwareImage(IDR_BRIDGE_FIRMWARE_0024))));

    bool bGuarded = false;
    answerer.onShown = [&](QMessageBox&) {
        // The result is shown while the update still holds the window.
        EXPECT_TRUE(dialog->IsBusy());
        EXPECT_FALSE(window.Control(IDC_UPDATE)->isEnabled());
        for (UINT nId : kCheckBoxes) {
            EXPECT_FALSE(CheckBox(window, nId)->isEnabled()) << nId;
        }
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_FALSE(window.close()) << "the close button is refused";
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(dialog->IsEnded());
        // A file dropped now would replace an image under the write.
        QMimeData data;
        data.setUrls({file});
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.Control(IDC_ROM_VERSION_FLASH), &drop);
        EXPECT_EQ(Shown(IDC_ROM_VERSION_FLASH), strImageBefore);
        bGuarded = true;
    };
    EXPECT_EQ(ClickUpdate(), IDS_UPDATE_COMPLETE);
    EXPECT_TRUE(bGuarded);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text, "Complete to update firmware.");
    EXPECT_EQ(answerer.shown[0].title.toStdU16String(), AppName());
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Information);
    EXPECT_EQ(answerer.shown[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_GT(nHighestBar, 0) << "the bar moved";
    EXPECT_EQ(pBar->value(), 0);
    EXPECT_EQ(Shown(IDC_STATUS), "");

    // The restarted device is dropped, then found again, now up to date.
    const int nRefreshesBefore = nRefreshes;
    RunUntil([&] { return nRefreshes >= nRefreshesBefore + 2 && bLastFound; }, 5000);
    EXPECT_EQ(Shown(IDC_DEVICE_VERSION_HOST), "C018");
    for (UINT nId : kCheckBoxes) {
        EXPECT_FALSE(CheckBox(window, nId)->isChecked()) << nId;
        EXPECT_TRUE(CheckBox(window, nId)->isEnabled()) << nId;
    }
    EXPECT_FALSE(dialog->m_btnUpdate.IsWindowEnabled());
    EXPECT_FALSE(window.Control(IDC_UPDATE)->isEnabled());
    // Idle again, Escape closes the window.
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(dialog->IsEnded());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(DialogWindowTest, NothingNewerAsksFirstAndNoChangesNothing) {
    Attach("current");
    CDialogWindow& window = OpenWindow(false);
    ASSERT_TRUE(window.Control(IDC_UPDATE)->isEnabled()) << "the user dialog may overwrite";
    trace.clear();
    answerer.answers = {QMessageBox::No};
    EXPECT_EQ(ClickUpdate(), 0u);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].text,
              "It is not necessary to update this firmware.\n\nOverwrite the firmware?");
    EXPECT_EQ(answerer.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answerer.shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answerer.shown[0].yesText, "&Yes");
    for (const TraceEntry& entry : trace) {
        EXPECT_FALSE(entry.direction == TraceDirection::Out)
            << "nothing written: " << FormatTraceLine(entry);
    }
    EXPECT_FALSE(dialog->IsBusy());
    EXPECT_TRUE(window.Control(IDC_UPDATE)->isEnabled());
}

TEST_F(DialogWindowTest, DroppedFileReplacesTheImageOfItsField) {
    CDialogWindow& window = OpenWindow(true);
    CTempFiles temp;
    const auto write = [&](const char* pszName, std::span<const BYTE> bytes) {
        return QUrl::fromLocalFile(QString::fromStdU16String(temp.Write(pszName, bytes)));
    };
    const QUrl older = write("bridge-0024.bin", FindFirmwareImage(IDR_BRIDGE_FIRMWARE_0024));
    const QUrl other = write("bridge-0025.bin", FindFirmwareImage(IDR_BRIDGE_FIRMWARE_0025));
    QMimeData data;
    data.setUrls({older, other});

    QWidget* pField = window.Control(IDC_ROM_VERSION_FLASH);
    ASSERT_TRUE(pField->acceptDrops());
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pField, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pField, &drop);
    EXPECT_EQ(Shown(IDC_ROM_VERSION_FLASH), "0.24 KESTREL_DVXDUO 2012/06/20 10:42:31")
        << "the first file, at once";

    // Only the four image fields take files.
    for (UINT nId : {IDC_ROM_VERSION_HOST, IDC_ROM_VERSION_UI78K, IDC_ROM_VERSION_UIRSC}) {
        EXPECT_TRUE(window.Control(nId)->acceptDrops()) << nId;
    }
    for (UINT nId : {IDC_DEVICE_VERSION_FLASH, IDC_SERIAL_NO, IDC_DEVICE_NAME}) {
        EXPECT_FALSE(window.Control(nId)->acceptDrops()) << nId;
    }
}

TEST_F(DialogWindowTest, JapaneseWindowsAndMessagesFitTheirTexts) {
    SetCurrentLanguage(Language::Japanese);
    Attach("current");
    CDialogWindow& full = OpenWindow(true);
    EXPECT_EQ(GroupTitles(full), (QStringList{"更新情報", "現在のデバイス情報"}));
    EXPECT_EQ(qobject_cast<QPushButton*>(full.Control(IDC_UPDATE))->text(),
              "ファームウェア更新(&U)");
    EXPECT_TRUE(LabelTexts(full).contains("リソースデータ バージョン:"));
    ExpectNothingClipped(full, "Japanese full dialog");

    CDialogWindow& user = OpenWindow(false);
    EXPECT_TRUE(LabelTexts(user).contains("製品バージョン:"));
    ExpectNothingClipped(user, "Japanese user dialog");
    EXPECT_EQ(ClickUpdate(), 0u);
    ASSERT_EQ(answerer.shown.size(), 1u);
    EXPECT_EQ(answerer.shown[0].yesText, "はい(&Y)");
    EXPECT_EQ(answerer.shown[0].noText, "いいえ(&N)");
    EXPECT_TRUE(answerer.shown[0].text.startsWith("このバージョンは更新する必要はありません"));
}

}  // namespace
}  // namespace rf::test
