// One page of the options window. A page reads its settings when it is built and writes them
// in Apply. Any change of its controls by the user marks it modified (and tells the window,
// which enables Apply); Apply clears the mark. The window applies only modified pages.
#pragma once

#include "options/OptionsServices.h"

#include <QWidget>

#include <string>

class QAbstractButton;
class QComboBox;
class QSpinBox;
class QVBoxLayout;

class COptionsPage : public QWidget {
    Q_OBJECT

public:
    bool IsModified() const { return m_modified; }
    // Writes the page's settings and clears the modified mark.
    void Apply();
    // The translated page title.
    QString Title() const { return m_title; }

signals:
    void modified();

protected:
    COptionsPage(const OptionsServices& services, const std::string& titleKey, QWidget* parent);

    // The page's own writes.
    virtual void OnApply() = 0;

    void SetModified();
    // Marks the page modified whenever the user changes the control.
    void Watch(QAbstractButton* button);
    void Watch(QComboBox* box);
    void Watch(QSpinBox* box);
    // A section of the page: the branding icon `iconRow` and the heading `titleKey`, with
    // the section's controls below the heading. `frame` hides and shows the whole section.
    struct PageSection {
        QWidget* frame = nullptr;
        QVBoxLayout* content = nullptr;
    };
    PageSection Section(const std::string& titleKey, int iconRow);

    const OptionsServices& m_services;
    const CQVRegClass& m_reg;

private:
    QString m_title;
    bool m_modified = false;
};
