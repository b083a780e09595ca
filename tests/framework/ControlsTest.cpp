#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls/AcceptFileEdit.h"
#include "framework/controls/Button.h"

namespace rf {
namespace {

class CButtonRecorder final : public CButton::IView {
public:
    void OnTextChanged(const std::u16string& text) override { texts.push_back(text); }
    void OnEnabledChanged(bool bEnabled) override { enabled.push_back(bEnabled); }
    void OnCheckChanged(int nCheck) override { checks.push_back(nCheck); }

    std::vector<std::u16string> texts;
    std::vector<bool> enabled;
    std::vector<int> checks;
};

class CDropRecorder final : public IFileDropTarget {
public:
    bool LoadFile(const char16_t* pszPath) override {
        paths.emplace_back(pszPath);
        return false;
    }
    std::vector<std::u16string> paths;
};

TEST(ControlsTest, CheckBoxKeepsItsStateAndTellsItsView) {
    CButton button;
    EXPECT_FALSE(button.HasWindow());
    CButtonRecorder view;
    button.SetView(&view);
    button.SetWindowText(u"FLASH-ROM Version:");
    button.EnableWindow(false);
    button.SetCheck(BST_CHECKED);
    EXPECT_EQ(view.texts, std::vector<std::u16string>{u"FLASH-ROM Version:"});
    EXPECT_EQ(view.enabled, std::vector<bool>{false});
    EXPECT_EQ(view.checks, std::vector<int>{BST_CHECKED});

    // A tick made in the view is taken without being echoed back to it.
    button.SetCheckFromView(BST_UNCHECKED);
    EXPECT_EQ(button.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(view.checks.size(), 1u);

    button.Bind(1012);
    EXPECT_TRUE(button.HasWindow());
    EXPECT_EQ(button.GetDlgCtrlID(), 1012u);
    EXPECT_EQ(button.GetWindowText(), u"FLASH-ROM Version:");
    EXPECT_FALSE(button.IsWindowEnabled());
    button.Unbind();
    EXPECT_FALSE(button.HasWindow());
}

TEST(ControlsTest, DropHandsOnlyTheFirstFileToTheTarget) {
    CAcceptFileEdit edit;
    const std::vector<std::u16string> paths = {u"/tmp/first.bin", u"/tmp/second.bin"};
    EXPECT_FALSE(edit.OnDropFiles(paths)) << "a field without target passes the drop on";

    CDropRecorder target;
    edit.m_pTarget = &target;
    EXPECT_FALSE(edit.OnDropFiles({}));
    EXPECT_TRUE(edit.OnDropFiles(paths));
    EXPECT_EQ(target.paths, std::vector<std::u16string>{u"/tmp/first.bin"});
    EXPECT_EQ(edit.GetWindowText(), u"") << "the field does not change its own text";
}

}  // namespace
}  // namespace rf
