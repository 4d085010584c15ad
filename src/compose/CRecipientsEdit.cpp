#include "compose/CRecipientsEdit.h"

#include "compose/CTypedRecipients.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

CRecipientsEdit::CRecipientsEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    document()->setDocumentMargin(2);
    connect(this, &QTextEdit::textChanged, this, [this] {
        UpdateHeight();
        if (!m_completing) {
            emit EntriesChanged();
        }
    });
    UpdateHeight();
}

std::string CRecipientsEdit::Text() const {
    return toPlainText().toStdString();
}

void CRecipientsEdit::SetText(const std::string& text) {
    m_completing = true;
    setPlainText(QString::fromStdString(text));
    m_completing = false;
    CompleteAll();
}

int CRecipientsEdit::LineHeight() const {
    return fontMetrics().lineSpacing();
}

void CRecipientsEdit::UpdateHeight() {
    // One line when empty, growing with the text up to two lines; more scrolls.
    const int margins = static_cast<int>(2 * document()->documentMargin()) + 2 * frameWidth();
    const int content = static_cast<int>(document()->documentLayout()->documentSize().height());
    const int lines = std::clamp(content / std::max(LineHeight(), 1), 1, 2);
    const int height = lines * LineHeight() + margins + 2;
    if (height != this->height()) {
        setFixedHeight(height);
    }
}

QSize CRecipientsEdit::sizeHint() const {
    return {300, height()};
}

QSize CRecipientsEdit::minimumSizeHint() const {
    return {100, height()};
}

void CRecipientsEdit::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    UpdateHeight();
}

void CRecipientsEdit::CompleteAll() {
    const std::vector<std::string> pieces = CTypedRecipients::Pieces(Text());
    m_completing = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    QTextCharFormat plain;
    for (const std::string& piece : pieces) {
        QTextCharFormat format;
        if (m_validator && m_validator(piece)) {
            format.setForeground(palette().color(QPalette::Link));
            format.setFontUnderline(true);
        } else {
            format.setForeground(QColor(0xC0, 0x00, 0x00));
        }
        cursor.insertText(QString::fromStdString(piece), format);
        cursor.insertText("; ", plain);
    }
    cursor.endEditBlock();
    setCurrentCharFormat(plain);
    moveCursor(QTextCursor::End);
    m_completing = false;
    emit EntriesChanged();
}

std::vector<std::string> CRecipientsEdit::PastedEntries(const std::string& text) const {
    // Lines, commas and semicolons always separate; blanks separate inside a piece that is
    // not one number as a whole ("+49 170 1234567" stays one entry).
    std::vector<std::string> entries;
    std::string piece;
    auto flush = [&] {
        for (const std::string& trimmed : CTypedRecipients::Pieces(piece)) {
            if (trimmed.find_first_of(" \t") == std::string::npos ||
                (m_isNumber && m_isNumber(trimmed))) {
                entries.push_back(trimmed);
                continue;
            }
            std::string word;
            for (char c : trimmed + " ") {
                if (c == ' ' || c == '\t') {
                    if (!word.empty()) {
                        entries.push_back(word);
                    }
                    word.clear();
                } else {
                    word += c;
                }
            }
        }
        piece.clear();
    };
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == ',' || c == ';') {
            flush();
        } else {
            piece += c;
        }
    }
    flush();
    return entries;
}

void CRecipientsEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        return;
    }
    const std::vector<std::string> entries = PastedEntries(source->text().toStdString());
    std::string joined;
    for (const std::string& entry : entries) {
        joined += entry + "; ";
    }
    textCursor().insertText(QString::fromStdString(joined));
    CompleteAll();
}

void CRecipientsEdit::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !ctrl) {
        CompleteAll();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ctrl) {
        event->ignore(); // the dialog's Send
        return;
    }
    if (event->text() == ";") {
        textCursor().insertText(";");
        CompleteAll();
        return;
    }
    // Typed text never continues a link's or an invalid entry's formatting.
    if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
        setCurrentCharFormat(QTextCharFormat());
    }
    QTextEdit::keyPressEvent(event);
}

void CRecipientsEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    if (!toPlainText().trimmed().isEmpty()) {
        CompleteAll();
    }
}
