// The General page: the home country (from the country-code library; empty without it), how
// long messages are sent (one SMS, several SMS, or the choice made for the last message),
// whether the signature is added to new messages, and the Templates button that opens the
// template manager.
#pragma once

#include "options/COptionsPage.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

class CPageGeneral : public COptionsPage {
    Q_OBJECT

public:
    CPageGeneral(const OptionsServices& services, QWidget* parent = nullptr);

    QComboBox* CountryBox() const { return m_country; }
    QRadioButton* OneSmsOption() const { return m_oneSms; }
    QRadioButton* LongMessagesOption() const { return m_longMessages; }
    QRadioButton* RememberOption() const { return m_remember; }
    QCheckBox* SignatureBox() const { return m_signature; }
    QPushButton* TemplatesButton() const { return m_templates; }

protected:
    void OnApply() override;

private:
    void FillCountries();

    QComboBox* m_country = nullptr;
    QRadioButton* m_oneSms = nullptr;
    QRadioButton* m_longMessages = nullptr;
    QRadioButton* m_remember = nullptr;
    QCheckBox* m_signature = nullptr;
    QPushButton* m_templates = nullptr;
    QString m_shownCountry;
};
