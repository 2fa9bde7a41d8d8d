#include "framework/Controls.h"
#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/Subclass.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <stdexcept>

namespace {

constexpr UINT kTemplate = 900;
constexpr int kCheck = 1001, kTypical = 1010, kExpert = 1012, kEdit = 1020, kCombo = 1030, kIp = 1040, kStatic = 1050;
constexpr UINT kThrowCommand = 1234;

void InitCommonControlsOnce() {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
}

// A dialog that presses its own buttons, in order, once it is up.
class ScriptedDialog : public CDialog {
public:
    ScriptedDialog(std::initializer_list<WORD> presses, int refusals) : CDialog(kTemplate), refusals_(refusals) {
        for (WORD id : presses) presses_[pressCount_++] = id;
    }
    int saves = 0;
    HWND focusAtRefusal = nullptr;
    bool initialised = false;
    HWND editWindow = nullptr;
    int exceptions = 0;

protected:
    // A modal dialog shows itself once its queue runs empty; the presses come after
    // that, from a timer, as a user's would.
    BOOL OnInitDialog() override {
        initialised = true;
        SetTimer(Handle(), 1, 10, nullptr);
        return TRUE;
    }
    void OnTimer(UINT_PTR timerId) override {
        KillTimer(Handle(), timerId);
        for (int i = 0; i < pressCount_; ++i)
            PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(presses_[i], BN_CLICKED), 0);
    }
    bool DoDataExchange(bool save) override {
        if (!save) return true;
        ++saves;
        if (refusals_ > 0) {
            --refusals_;
            bool kept = RefuseField(Handle(), kEdit);
            focusAtRefusal = GetFocus();
            editWindow = GetDlgItem(Handle(), kEdit);
            return kept;
        }
        return true;
    }
    bool OnCommand(WORD id, WORD, HWND) override {
        if (id == kThrowCommand) throw std::runtime_error("handler failed");
        return false;
    }
    void OnHandlerException() override { ++exceptions; }

private:
    WORD presses_[8] = {};
    int pressCount_ = 0;
    int refusals_;
};

TEST(Dialog, ModalDialogEndsWithOkAfterSavingItsData) {
    ScriptedDialog dialog({IDOK}, 0);
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_EQ(dialog.Handle(), nullptr) << "the object forgets its ended window";
}

TEST(Dialog, RefusedDataKeepsTheDialogOpenWithTheFocusOnTheBadField) {
    ScriptedDialog dialog({IDOK, IDCANCEL}, 1);
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL) << "OK was refused, so Cancel ended it";
    EXPECT_EQ(dialog.saves, 1);
    EXPECT_NE(dialog.focusAtRefusal, nullptr);
    // Compared while the dialog lived: its windows are gone once DoModal returns.
    EXPECT_EQ(dialog.focusAtRefusal, dialog.editWindow);
}

TEST(Dialog, AnExceptionInAHandlerStopsAtTheProcedure) {
    ScriptedDialog dialog({kThrowCommand, IDOK}, 0);
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK) << "the dialog kept running after the failed handler";
    EXPECT_EQ(dialog.exceptions, 1);
}

class ChildPage : public CDialog {
public:
    ChildPage() : CDialog(kTemplate) {}
};

TEST(Dialog, AChildDestroyedWithItsParentLetsGoOfItsWindow) {
    InitCommonControlsOnce();
    ChildPage parent;
    ASSERT_TRUE(parent.CreateChild(nullptr));
    ChildPage page;
    ASSERT_TRUE(page.CreateChild(parent.Handle()));
    EXPECT_EQ(GetParent(page.Handle()), parent.Handle());
    ASSERT_TRUE(parent.DestroyWindow());
    EXPECT_EQ(page.Handle(), nullptr);
    EXPECT_FALSE(page.DestroyWindow());
}

class DataExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControlsOnce();
        ASSERT_TRUE(page_.CreateChild(nullptr));
        dialog_ = page_.Handle();
    }
    ChildPage page_;
    HWND dialog_ = nullptr;
};

TEST_F(DataExchangeTest, RadioGroupRunsFromItsFirstButtonToTheNextGroup) {
    int value = 2;
    ExchangeRadioGroup(dialog_, kTypical, false, value);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kExpert), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kTypical), static_cast<UINT>(BST_UNCHECKED));
    value = 0xDEAD;
    ExchangeRadioGroup(dialog_, kTypical, true, value);
    EXPECT_EQ(value, 2);

    // Index 3 would be the edit box, which starts the next group: nothing is checked.
    value = 3;
    ExchangeRadioGroup(dialog_, kTypical, false, value);
    value = 0xDEAD;
    ExchangeRadioGroup(dialog_, kTypical, true, value);
    EXPECT_EQ(value, -1);
}

TEST_F(DataExchangeTest, CheckComboAndAddressRoundTrip) {
    int check = 1;
    ExchangeCheck(dialog_, kCheck, false, check);
    check = 0xDEAD;
    ExchangeCheck(dialog_, kCheck, true, check);
    EXPECT_EQ(check, 1);

    CComboBox combo;
    combo.Attach(dialog_, kCombo);
    for (const char* rate : {"110", "300", "1200"}) combo.AddString(rate);
    int index = 0xDEAD;
    ExchangeComboIndex(dialog_, kCombo, true, index);
    EXPECT_EQ(index, -1) << "nothing selected yet";
    index = 2;
    ExchangeComboIndex(dialog_, kCombo, false, index);
    EXPECT_EQ(combo.ItemText(combo.CurrentSelection()), "1200");

    DWORD address = MAKEIPADDRESS(192, 168, 1, 100);
    ExchangeIpAddress(dialog_, kIp, false, address);
    address = 0xDEADBEEF;
    ExchangeIpAddress(dialog_, kIp, true, address);
    EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 100)));
    CIpAddressControl ip;
    ip.Attach(dialog_, kIp);
    EXPECT_FALSE(ip.IsBlank());
    ip.Clear();
    EXPECT_TRUE(ip.IsBlank());
}

class AnsweringStatic : public CSubclassedWindow {
protected:
    LRESULT WindowProc(UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message != WM_APP + 1) return 0;
        handled = true;
        return 42;
    }
};

TEST_F(DataExchangeTest, ASubclassedControlTakesItsMessagesAndPassesTheRest) {
    AnsweringStatic control;
    ASSERT_TRUE(control.SubclassDlgItem(dialog_, kStatic));
    EXPECT_FALSE(control.SubclassDlgItem(dialog_, kStatic)) << "already subclassed";
    EXPECT_EQ(SendDlgItemMessageA(dialog_, kStatic, WM_APP + 1, 0, 0), 42);
    SetDlgItemTextA(dialog_, kStatic, "passed through");
    CWindow label(GetDlgItem(dialog_, kStatic));
    EXPECT_EQ(label.Text(), "passed through");
    control.Unsubclass();
    EXPECT_EQ(SendDlgItemMessageA(dialog_, kStatic, WM_APP + 1, 0, 0), 0);
}

class ColouredPage : public CDialog {
public:
    ColouredPage() : CDialog(kTemplate) {}
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

protected:
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message == WM_CTLCOLORSTATIC) {
            handled = true;
            return reinterpret_cast<INT_PTR>(brush);
        }
        if (message == WM_APP) {
            handled = true;
            return 1234;
        }
        return 0;
    }
};

TEST(Dialog, ColourRequestsAreAnsweredWithTheBrushItselfOthersThroughTheMessageResult) {
    InitCommonControlsOnce();
    ColouredPage page;
    ASSERT_TRUE(page.CreateChild(nullptr));
    HDC dc = GetDC(page.Handle());
    const LRESULT answer = SendMessageA(page.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(GetDlgItem(page.Handle(), kStatic)));
    ReleaseDC(page.Handle(), dc);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(answer), page.brush);
    EXPECT_EQ(SendMessageA(page.Handle(), WM_APP, 0, 0), 1234);
}

}  // namespace
