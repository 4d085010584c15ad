#include "options/COptionsTexts.h"

#include "gui/CGuiText.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"

#include <map>

namespace {

const std::map<std::string, const char*>& Defaults() {
    static const std::map<std::string, const char*> texts = {
        {"Alert.txtMessageBoxTitle", "<appname>"},
        {"SMSOptions.txtDialogName", "Options"},
        {"SMSOptions.btnOk", "OK"},
        {"SMSOptions.btnCancel", "Cancel"},
        {"SMSOptions.btnApply", "Apply"},
        {"SMSOptions.General.txtDialogName", "General"},
        {"SMSOptions.General.LabelRegionalSettings", "Regional settings"},
        {"SMSOptions.General.LabelDefultHomeCountry", "Home country:"},
        {"SMSOptions.General.LabelMessageFormat", "Message format"},
        {"SMSOptions.General.btnTemplate", "Templates..."},
        {"SMSOptions.General.labelTruncationMode", "Long messages:"},
        {"SMSOptions.General.CombotxtRemember", "Remember last used"},
        {"SMSOptions.General.labelInsertSignature", "Insert signature"},
        {"MessageOption.radiotxtTruncate", "Send one SMS only, cut to <N> characters"},
        {"MessageOption.radiotxtSplitUp", "Send long messages as several SMS"},
        {"MessageOption.radiotxtSplitUpAlt",
         "Send long messages as several SMS, at most <M> characters"},
        {"SMSOptions.Account.txtDialogName", "Account"},
        {"SMSOptions.Account.labelGeneral", "General"},
        {"SMSOptions.Account.labelDefaultOrigin", "Default sender:"},
        {"SMSOptions.Account.btnOpenAccount", "Account options..."},
        {"SMSOptions.Account.labelPrepaidSettings", "Prepaid settings"},
        {"SMSOptions.Account.labelPrepaidBalance", "Your prepaid balance is <bal> messages"},
        {"SMSOptions.Account.labelRefill", "Refill your account"},
        {"SMSOptions.Account.labelAlert", "Warn me when my balance is low"},
        {"SMSOptions.Account.LabelReplySettings", "Reply settings"},
        {"SMSOptions.Account.labelReplyEmail", "Reply e-mail address:"},
        {"SMSOptions.Account.comboAddReplyToMobile", "(replies to your mobile)"},
        {"SMSOptions.Account.comboAddReplyToInbox", "(replies to your inbox)"},
        {"SMSOptions.Account.comboAddNoReply", "(no reply)"},
        {"SMSOptions.Account.comboRememberLastUsed", "Remember last used"},
        {"SMSOptions.Account.changeEmailButtonCaption", "Change..."},
        {"SMSOptions.Display.txtDialogName", "Display"},
        {"SMSOptions.Display.labelStartUp", "Start-up"},
        {"SMSOptions.Display.chkSystemTray", "Show the icon in the system tray"},
        {"SMSOptions.Display.labelDefaultSysTrayAction", "Double-click on the tray icon opens:"},
        {"SMSOptions.Display.labelDefaultStartup", "At start-up open:"},
        {"SMSOptions.Display.chkKeepOpen", "Keep the message window open after sending"},
        {"SMSOptions.Display.chkClearRecipients", "Clear the recipients after sending"},
        {"SMSOptions.Display.chkClearMessage", "Clear the message text after sending"},
        {"SMSOptions.Display.chkOneInstance", "Open only one message window at a time"},
        {"SMSOptions.Display.comboSystemTrayNewSMS", "New SMS"},
        {"SMSOptions.Display.comboSystemTrayFolders", "Message folders"},
        {"SMSOptions.Display.comboSystemTraySMSOptions", "Options"},
        {"SMSOptions.Display.chkStartWithDesktop", "Start <appname> when the desktop starts"},
        {"SMSOptions.Alert.txtDialogName", "Alerts"},
        {"SMSOptions.Alert.lblAlerts", "Alerts"},
        {"SMSOptions.Alert.lblalertMeWhen", "Alert me when:"},
        {"SMSOptions.Alert.chkInvalidRecipients", "not all recipients have a valid phone number"},
        {"SMSOptions.Alert.chkMessageSend", "a message will be sent at a later time"},
        {"SMSOptions.Alert.chkMsgModification",
         "changes will be lost when closing the message window"},
        {"SMSOptions.Alert.chkTemplateModification",
         "changes will be lost when choosing a template"},
        {"SMSOptions.Alert.chkOutboxMessage", "there are messages in the outbox when quitting"},
        {"SMSOptions.Alert.chkMsgPermanentlyDel", "a message will be permanently deleted"},
        {"SMSOptions.Alert.chkTemplateDel", "a template will be permanently deleted"},
        {"SMSOptions.Alert.chkAppNotUsed", "the application has not been used for a while"},
        {"EmailVerifyDlg.txtDialogName", "Change E-mail Address"},
        {"EmailVerifyDlg.LabelNewEmailID1", "New e-mail address:"},
        {"EmailVerifyDlg.LabelNewEmailID2", "Confirm the new e-mail address:"},
        {"EmailVerifyDlg.alertMsgBoxMessage",
         "The two e-mail addresses do not match. Please enter them again."},
        {"EmailVerifyDlg.emptyIDMsgBoxCaption", "Please enter an e-mail address."},
        {"EmailVerifyDlg.alertInvalidAddress",
         "This does not look like an e-mail address. Please check it."},
    };
    return texts;
}

} // namespace

std::string COptionsTexts::T(const std::string& key) {
    auto it = Defaults().find(key);
    return CGuiText::Tr(key, it == Defaults().end() ? "" : it->second);
}

QString COptionsTexts::QT(const std::string& key) {
    return QString::fromStdString(T(key));
}

QString COptionsTexts::QT(const std::string& key, const std::string& token,
                          const std::string& value) {
    return QT(key).replace(QString::fromStdString(token), QString::fromStdString(value));
}

int COptionsTexts::Alert(win::HWND owner, const std::string& key, unsigned type) {
    return win::MessageBox(owner, T(key), T("Alert.txtMessageBoxTitle"), type);
}

void COptionsTexts::OpenLink(const std::string& key, int row) {
    const std::string link = CGuiText::Tr(key, CGuiText::Row(row));
    if (!link.empty()) {
        platform::ShellOpen(link);
    }
}
