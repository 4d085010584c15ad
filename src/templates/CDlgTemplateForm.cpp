#include "templates/CDlgTemplateForm.h"

#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "platform/MsgBox.h"
#include "templates/CTemplateRules.h"
#include "templates/CTemplateTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include <map>

namespace {
// Icon of a template in the branding tables.
constexpr int kTemplateIcon = 28;
} // namespace

CDlgTemplateForm::CDlgTemplateForm(CTemplateHandler& store, std::size_t limit,
                                   const std::string& titleKey, const std::string& className,
                                   QWidget* owner)
    : CDlgBase(owner, className), m_store(store), m_limit(limit) {
    SetTitle(CTemplateTexts::T(titleKey));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kTemplateIcon, 16, 16));
    setModal(true);

    auto* nameLabel = new QLabel(CTemplateTexts::QT("AddTemplate.labelName"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName("editName");
    m_name->setMaxLength(static_cast<int>(CTemplateRules::kMaxNameChars));
    nameLabel->setBuddy(m_name);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("editMessage");
    m_text->setTabChangesFocus(true);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_signature = new QCheckBox(CTemplateTexts::QT("AddTemplate.chkSignature"), this);
    m_signature->setObjectName("chkSignature");
    auto* charactersLabel = new QLabel(CTemplateTexts::QT("AddTemplate.LabelCharacters"), this);
    m_counter = new QLabel(QString::fromStdString(CTemplateRules::CounterText(0)), this);
    m_counter->setObjectName("counter");
    m_counter->setMinimumWidth(60);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(CTemplateTexts::QT("ManageTemplate.btnOK"),
                              QDialogButtonBox::AcceptRole);
    m_ok->setObjectName("btnOk");
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(CTemplateTexts::QT("ManageTemplate.btnCancel"),
                                  QDialogButtonBox::RejectRole);
    m_cancel->setObjectName("btnCancel");

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(m_signature);
    counterRow->addStretch(1);
    counterRow->addWidget(charactersLabel);
    counterRow->addWidget(m_counter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(m_text, 1);
    layout->addLayout(counterRow);
    layout->addWidget(buttons);
    resize(440, 300);

    connect(m_text, &QPlainTextEdit::textChanged, this, [this] { OnTextChanged(); });
    connect(m_signature, &QCheckBox::clicked, this, [this](bool ticked) { OnCheckSign(ticked); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_name->setFocus();
}

bool CDlgTemplateForm::RunModal() {
    return exec() == QDialog::Accepted;
}

std::string CDlgTemplateForm::Name() const {
    return CGuiText::S(m_name->text());
}

std::string CDlgTemplateForm::Text() const {
    return CGuiText::S(m_text->toPlainText());
}

int CDlgTemplateForm::Alert(const std::string& key, unsigned type) {
    return CTemplateTexts::Alert(PlatformWindow(), key, type);
}

void CDlgTemplateForm::Finish(TemplateResult result) {
    static const std::map<TemplateResult, const char*> alerts = {
        {TemplateResult::Empty, "AddTemplate.alertTemplateNull"},
        {TemplateResult::NameExists, "AddTemplate.alertTemplateExists"},
        {TemplateResult::Full, "AddTemplate.alertTemplateFull"},
    };
    auto it = alerts.find(result);
    if (it == alerts.end()) {
        accept();
        return;
    }
    Alert(it->second, win::MB_OK | win::MB_ICONEXCLAMATION);
}

void CDlgTemplateForm::OnTextChanged() {
    if (m_cutting) {
        return;
    }
    // The limit counts characters (code points); a longer text is cut at the limit.
    QList<uint> characters = m_text->toPlainText().toUcs4();
    if (static_cast<std::size_t>(characters.size()) > m_limit) {
        m_cutting = true;
        characters.resize(static_cast<qsizetype>(m_limit));
        const QString kept = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.data()),
                                               characters.size());
        m_text->setPlainText(kept);
        m_text->moveCursor(QTextCursor::End);
        m_cutting = false;
    }
    m_counter->setText(QString::fromStdString(
        CTemplateRules::CounterText(static_cast<std::size_t>(characters.size()))));
}
