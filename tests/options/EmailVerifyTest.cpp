// The e-mail verification dialog and the reply address on the Account page.
#include "OptionsFixture.h"

#include "options/CDlgEmailVerify.h"
#include "options/CPageAccount.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace optionstest;

namespace {

TEST_F(OptionsTest, EmailVerifyNeedsTwoEqualAddresses) {
    CDlgEmailVerify verify("old@example.com");
    verify.show();
    EXPECT_EQ(verify.windowTitle(), "Change E-mail Address");
    EXPECT_EQ(verify.FirstField()->text(), "old@example.com");
    verify.FirstField()->setText("new@example.com");
    verify.OkButton()->click();
    verify.SecondField()->setText("other@example.com");
    verify.OkButton()->click();
    verify.FirstField()->setText("not an address");
    verify.SecondField()->setText("not an address");
    verify.OkButton()->click();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "Please enter an e-mail address.",
                              "The two e-mail addresses do not match. Please enter them again.",
                              "This does not look like an e-mail address. Please check it."}));
    EXPECT_TRUE(verify.isVisible());
    verify.FirstField()->setText(" new@example.com ");
    verify.SecondField()->setText("new@example.com");
    guitest::Spin(20);
    EXPECT_TRUE(verify.grab().save(
        QString::fromStdString(guitest::ScreenshotFolder() + "/options_email_verify.png")));
    verify.OkButton()->click();
    EXPECT_EQ(verify.result(), QDialog::Accepted);
    EXPECT_EQ(verify.Address(), "new@example.com");
}

TEST_F(OptionsTest, ChangedReplyAddressGoesToTheCoreOnApply) {
    reg.SetUserEmail("old@example.com");
    CDlgOptions& dialog = OpenOptions();
    CPageAccount* page = dialog.AccountPage();
    EXPECT_EQ(page->EmailField()->text(), "old@example.com");
    // The same address again is no change.
    WhenModal<CDlgEmailVerify>(&dialog, [](CDlgEmailVerify* verify) {
        verify->SecondField()->setText("old@example.com");
        verify->OkButton()->click();
    });
    page->ChangeEmailButton()->click();
    EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
    // Cancel keeps the address.
    WhenModal<CDlgEmailVerify>(&dialog, [](CDlgEmailVerify* verify) {
        verify->FirstField()->setText("x@example.com");
        verify->CancelButton()->click();
    });
    page->ChangeEmailButton()->click();
    EXPECT_EQ(page->EmailField()->text(), "old@example.com");

    WhenModal<CDlgEmailVerify>(&dialog, [](CDlgEmailVerify* verify) {
        verify->FirstField()->setText("ann@example.org");
        verify->SecondField()->setText("ann@example.org");
        verify->OkButton()->click();
    });
    page->ChangeEmailButton()->click();
    EXPECT_EQ(page->EmailField()->text(), "ann@example.org");
    EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
    dialog.OnApply();
    dialog.AccountPage()->LowBalanceBox()->click();
    dialog.OnApply();
    EXPECT_EQ(calls, std::vector<std::string>{"account: ann@example.org"});
}

} // namespace
