// The recipients field of the compose dialog: entries separated by ";", each completed when
// the user types ";" or Enter, pastes, or leaves the field. A completed entry that the
// validator accepts is shown as a link, any other in red. A pasted list of numbers (separated
// by blanks, commas, semicolons or line breaks) becomes one entry per number. The field is
// one line high and grows to two lines as entries are added; Tab and Shift+Tab leave it.
#pragma once

#include <QTextEdit>

#include <functional>
#include <string>

class CRecipientsEdit : public QTextEdit {
    Q_OBJECT

public:
    // Answers whether an entry is valid (a known entry, or a typed number the dialog accepts).
    using Validator = std::function<bool(const std::string&)>;
    // Whether a pasted piece is one number as a whole (so its blanks are not separators).
    using NumberCheck = std::function<bool(const std::string&)>;

    explicit CRecipientsEdit(QWidget* parent = nullptr);

    void SetValidator(Validator validator) { m_validator = std::move(validator); }
    void SetNumberCheck(NumberCheck check) { m_isNumber = std::move(check); }

    // The entries' text as typed (separators included).
    std::string Text() const;
    // Replaces the text and completes every entry.
    void SetText(const std::string& text);
    // Completes and formats every entry; the caret goes to the end.
    void CompleteAll();
    // Splits a pasted text into entries.
    std::vector<std::string> PastedEntries(const std::string& text) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The entries changed (the dialog recounts).
    void EntriesChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int LineHeight() const;
    void UpdateHeight();

    Validator m_validator;
    NumberCheck m_isNumber;
    bool m_completing = false;
};
