#include "templates/CTemplateTexts.h"

#include "gui/CGuiText.h"
#include "platform/MsgBox.h"

#include <map>

namespace {

const std::map<std::string, const char*>& Defaults() {
    static const std::map<std::string, const char*> texts = {
        {"Alert.txtMessageBoxTitle", "<appname>"},
        {"Alert.TemplateDelete", "Template will be permanantly deleted. Do you want to continue?"},
        {"ManageTemplate.txtDialogName", "Manage Templates"},
        {"ManageTemplate.btnAdd", "Add"},
        {"ManageTemplate.btnEdit", "Edit"},
        {"ManageTemplate.btnRemove", "Remove"},
        {"ManageTemplate.btnMoveUp", "Move Up"},
        {"ManageTemplate.btnMoveDown", "Move Down"},
        {"ManageTemplate.btnOK", "OK"},
        {"ManageTemplate.btnCancel", "Cancel"},
        {"ManageTemplate.alertSelectTemplate",
         "You need to select one of the templates in the list"},
        {"ManageTemplate.listHeaderNumber", "No"},
        {"ManageTemplate.listHeaderName", "Name"},
        {"ManageTemplate.listHeaderMessage", "Message"},
        {"EditTemplate.txtDialogName", "Edit Template"},
        {"EditTemplate.alertSignatureExists",
         "A signature exists. Please remove the existing signature first"},
        {"AddTemplate.txtDialogName", "Add Template"},
        {"AddTemplate.labelName", "Name"},
        {"AddTemplate.LabelCharacters", "Characters"},
        {"AddTemplate.chkSignature", "Signature"},
        {"AddTemplate.alertSignatureExists",
         "A signature already exists! Do you want to replace the existing signature?"},
        {"AddTemplate.alertTemplateExists",
         "A template with that name already exists. Please choose a different name."},
        {"AddTemplate.alertTemplateFull", "You cannot add more than ten templates"},
        {"AddTemplate.alertTemplateNull", "Please enter a template name and a message."},
    };
    return texts;
}

} // namespace

std::string CTemplateTexts::T(const std::string& key) {
    auto it = Defaults().find(key);
    return CGuiText::Tr(key, it == Defaults().end() ? "" : it->second);
}

QString CTemplateTexts::QT(const std::string& key) {
    return QString::fromStdString(T(key));
}

int CTemplateTexts::Alert(win::HWND owner, const std::string& key, unsigned type) {
    return win::MessageBox(owner, T(key), T("Alert.txtMessageBoxTitle"), type);
}
