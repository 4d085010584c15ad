#include "options/CPageGeneral.h"

#include "compose/ICountryCodes.h"
#include "config/CQVRegClass.h"
#include "gui/CGuiText.h"
#include "log/LogManager.h"
#include "options/COptionsRules.h"
#include "options/COptionsTexts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kRegionalIcon = 20;
constexpr int kMessageFormatIcon = 21;
} // namespace

CPageGeneral::CPageGeneral(const OptionsServices& services, QWidget* parent)
    : COptionsPage(services, "SMSOptions.General.txtDialogName", parent) {
    PageSection regional = Section("SMSOptions.General.LabelRegionalSettings", kRegionalIcon);
    auto* countryLabel =
        new QLabel(COptionsTexts::QT("SMSOptions.General.LabelDefultHomeCountry"), this);
    m_country = new QComboBox(this);
    m_country->setObjectName("comboHomeCountry");
    m_country->setMinimumWidth(220);
    m_country->setMaxVisibleItems(20);
    countryLabel->setBuddy(m_country);
    auto* countryRow = new QHBoxLayout;
    countryRow->addWidget(countryLabel);
    countryRow->addWidget(m_country);
    countryRow->addStretch(1);
    regional.content->addLayout(countryRow);

    PageSection format = Section("SMSOptions.General.LabelMessageFormat", kMessageFormatIcon);
    format.content->addWidget(
        new QLabel(COptionsTexts::QT("SMSOptions.General.labelTruncationMode"), this));
    m_oneSms = new QRadioButton(
        COptionsTexts::QT("MessageOption.radiotxtTruncate", " <N> ", " 160 "), this);
    m_oneSms->setObjectName("radioTruncate");
    const unsigned limit = m_reg.GetSplitUpCharLimit();
    m_longMessages =
        new QRadioButton(limit == 0 ? COptionsTexts::QT("MessageOption.radiotxtSplitUp")
                                    : COptionsTexts::QT("MessageOption.radiotxtSplitUpAlt", "<M>",
                                                        std::to_string(limit)),
                         this);
    m_longMessages->setObjectName("radioSplitUp");
    m_remember = new QRadioButton(COptionsTexts::QT("SMSOptions.General.CombotxtRemember"), this);
    m_remember->setObjectName("radioRemember");
    auto* choices = new QButtonGroup(this);
    auto* choiceLayout = new QVBoxLayout;
    choiceLayout->setContentsMargins(16, 0, 0, 0);
    for (QRadioButton* option : {m_oneSms, m_longMessages, m_remember}) {
        choices->addButton(option);
        choiceLayout->addWidget(option);
        Watch(option);
    }
    format.content->addLayout(choiceLayout);
    m_signature = new QCheckBox(COptionsTexts::QT("SMSOptions.General.labelInsertSignature"), this);
    m_signature->setObjectName("chkInsertSignature");
    Watch(m_signature);
    m_templates = new QPushButton(COptionsTexts::QT("SMSOptions.General.btnTemplate"), this);
    m_templates->setObjectName("btnTemplate");
    m_templates->setEnabled(static_cast<bool>(m_services.manageTemplates));
    auto* signatureRow = new QHBoxLayout;
    signatureRow->addWidget(m_signature);
    signatureRow->addStretch(1);
    signatureRow->addWidget(m_templates);
    format.content->addSpacing(6);
    format.content->addLayout(signatureRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(regional.frame);
    layout->addSpacing(12);
    layout->addWidget(format.frame);
    layout->addStretch(1);

    FillCountries();
    Watch(m_country);
    switch (COptionsRules::ChoiceOf(m_reg.GetTruncationMode())) {
    case TruncationChoice::OneSms:
        m_oneSms->setChecked(true);
        break;
    case TruncationChoice::LongMessages:
        m_longMessages->setChecked(true);
        break;
    case TruncationChoice::RememberLastUsed:
        m_remember->setChecked(true);
        break;
    }
    m_signature->setChecked(m_reg.GetEnableSignature() != 0);
    connect(m_templates, &QPushButton::clicked, this, [this] {
        if (m_services.manageTemplates) {
            m_services.manageTemplates(window());
        }
    });
}

void CPageGeneral::FillCountries() {
    ICountryCodes* codes = m_services.countryCodes;
    if (codes == nullptr) {
        return; // without the library the box stays empty
    }
    for (const std::string& key : codes->Countries()) {
        if (std::optional<CountryDetails> details = codes->CountryInfo(key)) {
            m_country->addItem(CGuiText::Q(details->name), CGuiText::Q(key));
        }
    }
    const int home = m_country->findData(CGuiText::Q(codes->HomeCountry()));
    m_country->setCurrentIndex(home >= 0 ? home : 0);
    m_shownCountry = m_country->currentText();
}

void CPageGeneral::OnApply() {
    Log("CPageGeneral::OnApply", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    ICountryCodes* codes = m_services.countryCodes;
    if (codes != nullptr && m_country->currentIndex() >= 0 &&
        m_country->currentText() != m_shownCountry) {
        if (codes->SetHomeCountry(CGuiText::S(m_country->currentText())) == 0) {
            m_shownCountry = m_country->currentText();
        } else {
            Log("CPageGeneral::OnApply",
                "The home country could not be set to " + CGuiText::S(m_country->currentText()),
                LOG_CAT_GUI, LOG_SEV_ERROR);
        }
    }
    TruncationChoice choice = TruncationChoice::RememberLastUsed;
    if (m_oneSms->isChecked()) {
        choice = TruncationChoice::OneSms;
    } else if (m_longMessages->isChecked()) {
        choice = TruncationChoice::LongMessages;
    }
    COptionsRules::ApplyTruncation(m_reg, choice);
    m_reg.SetEnableSignature(m_signature->isChecked() ? 1 : 0);
}
