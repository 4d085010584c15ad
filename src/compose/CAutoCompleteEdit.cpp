#include "compose/CAutoCompleteEdit.h"

#include "compose/CAutoCompleteList.h"
#include "compose/CRecipientPaste.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QChar kSep = QLatin1Char(CAutoCompleteEdit::kSeparator);

bool EqualNoCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

bool HasModifier(const QKeyEvent* event, Qt::KeyboardModifiers modifiers) {
    return (event->modifiers() & modifiers) != 0;
}

// Characters QTextEdit uses for breaks inside one block; the field keeps a single line.
bool IsLineBreak(QChar c) {
    return c == QChar::LineSeparator || c == QChar::ParagraphSeparator || c == '\n' || c == '\r';
}

} // namespace

CAutoCompleteEdit::CAutoCompleteEdit(QWidget* parent) : QTextEdit(parent) {
    setObjectName("Recipients");
    setAcceptRichText(false);
    setTabChangesFocus(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    document()->setDocumentMargin(3);
    // The link colour of the field follows the palette, so a valid entry reads as a link on
    // every theme; the document must not open links itself.
    setTextInteractionFlags(Qt::TextEditorInteraction);

    m_list = new CAutoCompleteList(this);
    connect(m_list, &CAutoCompleteList::Chosen, this, [this](const QString& text) {
        TakeSuggestion(text);
        setFocus(Qt::OtherFocusReason);
    });
    connect(this, &QTextEdit::textChanged, this, &CAutoCompleteEdit::OnContentsChanged);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] {
                int wanted = WantedHeight();
                if (wanted != m_lastHeight) {
                    m_lastHeight = wanted;
                    emit HeightRequested(wanted);
                }
            });
}

CAutoCompleteEdit::~CAutoCompleteEdit() = default;

// ---- known entries --------------------------------------------------------------------------

void CAutoCompleteEdit::SetKnownEntries(const std::vector<std::string>& entries) {
    m_known.clear();
    for (const std::string& entry : entries) {
        AddKnownEntry(entry);
    }
}

bool CAutoCompleteEdit::IsKnown(const std::string& entry) const {
    QString wanted = Q(entry);
    return std::any_of(m_known.begin(), m_known.end(),
                       [&](const std::string& known) { return EqualNoCase(Q(known), wanted); });
}

void CAutoCompleteEdit::AddKnownEntry(const std::string& entry) {
    if (!entry.empty() && !IsKnown(entry)) {
        m_known.push_back(entry);
    }
}

void CAutoCompleteEdit::RemoveKnownEntry(const std::string& entry) {
    QString wanted = Q(entry);
    auto it = std::find_if(m_known.begin(), m_known.end(),
                           [&](const std::string& known) { return EqualNoCase(Q(known), wanted); });
    if (it != m_known.end()) {
        m_known.erase(it);
    }
}

// ---- text and formats -----------------------------------------------------------------------

QString CAutoCompleteEdit::PlainText() const {
    return document()->toPlainText();
}

std::string CAutoCompleteEdit::Recipients() const {
    return PlainText().toStdString();
}

QTextCharFormat CAutoCompleteEdit::DefaultFormat() const {
    QTextCharFormat format;
    format.setForeground(palette().brush(QPalette::Text));
    return format;
}

QTextCharFormat CAutoCompleteEdit::ValidFormat(const QString& entry) const {
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(entry);
    format.setForeground(palette().brush(QPalette::Link));
    format.setFontUnderline(true);
    return format;
}

QTextCharFormat CAutoCompleteEdit::InvalidFormat() const {
    QTextCharFormat format;
    format.setForeground(QColor(0xd0, 0x00, 0x00));
    return format;
}

bool CAutoCompleteEdit::IsValidAt(int position) const {
    if (position < 0 || position >= document()->characterCount() - 1) {
        return false;
    }
    QTextCursor cursor(document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().isAnchor();
}

std::vector<CAutoCompleteEdit::Range> CAutoCompleteEdit::EntryRanges() const {
    std::vector<Range> ranges;
    const QString text = PlainText();
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == kSep) {
            Range range{start, i};
            while (range.start < range.end && text[range.start].isSpace()) {
                ++range.start;
            }
            while (range.end > range.start && text[range.end - 1].isSpace()) {
                --range.end;
            }
            if (!range.Empty()) {
                ranges.push_back(range);
            }
            start = i + 1;
        }
    }
    return ranges;
}

CAutoCompleteEdit::Range CAutoCompleteEdit::ValidEntryAround(int position) const {
    for (const Range& range : EntryRanges()) {
        if (position >= range.start && position < range.end) {
            return IsValidAt(range.start) ? range : Range{};
        }
    }
    return {};
}

std::vector<std::string> CAutoCompleteEdit::Entries() const {
    std::vector<std::string> entries;
    const QString text = PlainText();
    for (const Range& range : EntryRanges()) {
        entries.push_back(text.mid(range.start, range.end - range.start).toStdString());
    }
    return entries;
}

std::vector<std::string> CAutoCompleteEdit::ValidEntries() const {
    std::vector<std::string> entries;
    const QString text = PlainText();
    for (const Range& range : EntryRanges()) {
        if (IsValidAt(range.start)) {
            entries.push_back(text.mid(range.start, range.end - range.start).toStdString());
        }
    }
    return entries;
}

std::vector<std::string> CAutoCompleteEdit::InvalidEntries() const {
    std::vector<std::string> entries;
    const QString text = PlainText();
    for (const Range& range : EntryRanges()) {
        if (!IsValidAt(range.start)) {
            entries.push_back(text.mid(range.start, range.end - range.start).toStdString());
        }
    }
    return entries;
}

int CAutoCompleteEdit::WantedHeight() const {
    int documentHeight = static_cast<int>(std::ceil(document()->size().height()));
    return documentHeight + 2 * frameWidth() + viewportMargins().top() + viewportMargins().bottom();
}

// ---- programmatic content -------------------------------------------------------------------

void CAutoCompleteEdit::SetRecipients(const std::string& text) {
    HideSuggestions();
    clear();
    setCurrentCharFormat(DefaultFormat());
    InsertEntries(QStringList() << Q(text).split(kSep));
    ReportChange();
}

void CAutoCompleteEdit::AppendEntry(const std::string& entry) {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    InsertEntries({Q(entry)});
    ReportChange();
}

void CAutoCompleteEdit::ClearRecipients() {
    HideSuggestions();
    clear();
    setCurrentCharFormat(DefaultFormat());
    ReportChange();
}

void CAutoCompleteEdit::InsertEntries(const QStringList& entries) {
    for (const QString& raw : entries) {
        QString entry = raw.trimmed();
        if (entry.isEmpty()) {
            continue;
        }
        QTextCursor cursor = textCursor();
        cursor.insertText(entry, DefaultFormat());
        setTextCursor(cursor);
        CompleteCurrentEntry();
    }
}

// ---- completion -----------------------------------------------------------------------------

bool CAutoCompleteEdit::CheckEntry(const QString& entry) {
    if (IsKnown(entry.toStdString())) {
        return true;
    }
    bool accepted = false;
    emit UnknownEntry(entry, &accepted);
    if (accepted) {
        AddKnownEntry(entry.toStdString());
    }
    return accepted;
}

CAutoCompleteEdit::Range CAutoCompleteEdit::EntryAroundCaret() const {
    const QString text = PlainText();
    int end = std::min(textCursor().position(), static_cast<int>(text.size()));
    // Back over blanks and separators to the end of the entry.
    while (end > 0 && (text[end - 1].isSpace() || text[end - 1] == kSep)) {
        --end;
    }
    int start = end;
    while (start > 0 && text[start - 1] != kSep) {
        --start;
    }
    while (start < end && text[start].isSpace()) {
        ++start;
    }
    return {start, end};
}

void CAutoCompleteEdit::CompleteCurrentEntry() {
    CompleteRange(EntryAroundCaret(), true);
}

void CAutoCompleteEdit::CompleteRange(Range range, bool insertSeparator) {
    if (range.Empty()) {
        return;
    }
    const QString text = PlainText();
    const QString entry = text.mid(range.start, range.end - range.start);
    const bool valid = CheckEntry(entry);

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(range.start);
    cursor.setPosition(range.end, QTextCursor::KeepAnchor);
    cursor.setCharFormat(valid ? ValidFormat(entry) : InvalidFormat());

    // The separator after the entry, inserted when none follows.
    int after = range.end;
    const QString now = PlainText();
    while (after < now.size() && now[after].isSpace()) {
        ++after;
    }
    if (after < now.size() && now[after] == kSep) {
        cursor.setPosition(after + 1);
    } else if (insertSeparator) {
        cursor.setPosition(range.end);
        cursor.insertText(QString(kSep), DefaultFormat());
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    setCurrentCharFormat(DefaultFormat());
    ReportChange();
}

void CAutoCompleteEdit::CompleteAll() {
    HideSuggestions();
    QTextCursor caret = textCursor();
    // Ranges move when separators are inserted, so they are found again after every entry.
    for (size_t i = 0;; ++i) {
        std::vector<Range> ranges = EntryRanges();
        if (i >= ranges.size()) {
            break;
        }
        CompleteRange(ranges[i], true);
    }
    if (!hasFocus()) {
        QTextCursor end = caret;
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
    }
}

void CAutoCompleteEdit::TakeSuggestion(const QString& suggestion) {
    HideSuggestions();
    const QString text = PlainText();
    int caret = textCursor().position();
    int start = text.lastIndexOf(kSep, caret - 1) + 1;
    while (start < text.size() && start < caret && text[start].isSpace()) {
        ++start;
    }
    int next = text.indexOf(kSep, caret);
    int end = next < 0 ? static_cast<int>(text.size()) : next + 1;

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(suggestion, DefaultFormat());
    cursor.endEditBlock();
    cursor.setPosition(start + static_cast<int>(suggestion.size()));
    setTextCursor(cursor);
    CompleteRange({start, start + static_cast<int>(suggestion.size())}, true);
}

// ---- suggestions ----------------------------------------------------------------------------

bool CAutoCompleteEdit::IsSuggestionListShown() const {
    return m_list->isVisible();
}

void CAutoCompleteEdit::HideSuggestions() {
    m_list->hide();
}

void CAutoCompleteEdit::UpdateSuggestions() {
    const QString text = PlainText();
    int caret = textCursor().position();
    int start = text.lastIndexOf(kSep, caret - 1) + 1;
    while (start < caret && text[start].isSpace()) {
        ++start;
    }
    const QString prefix = text.mid(start, caret - start);
    QStringList candidates;
    if (!prefix.isEmpty()) {
        for (const std::string& known : m_known) {
            QString entry = Q(known);
            if (entry.startsWith(prefix, Qt::CaseInsensitive)) {
                candidates << entry;
            }
        }
    }
    if (candidates.isEmpty()) {
        HideSuggestions();
        return;
    }
    m_list->SetCandidates(candidates);
    PlaceSuggestionList(start);
}

void CAutoCompleteEdit::PlaceSuggestionList(int entryStart) {
    QTextCursor cursor(document());
    cursor.setPosition(entryStart);
    QRect rect = cursorRect(cursor);
    m_list->ShowAt(viewport()->mapToGlobal(rect.bottomLeft() + QPoint(0, 2)));
}

// ---- valid entries as units -----------------------------------------------------------------

void CAutoCompleteEdit::WidenSelectionToEntries(bool selectEntryAtCaret) {
    QTextCursor cursor = textCursor();
    int from = cursor.selectionStart();
    int to = cursor.selectionEnd();
    if (from == to) {
        if (!selectEntryAtCaret) {
            return;
        }
        Range entry = ValidEntryAround(from);
        if (entry.Empty()) {
            return;
        }
        from = entry.start;
        to = entry.end;
    } else {
        Range first = ValidEntryAround(from);
        if (!first.Empty()) {
            from = first.start;
        }
        Range last = ValidEntryAround(to - 1);
        if (!last.Empty()) {
            to = last.end;
        }
    }
    if (from == cursor.selectionStart() && to == cursor.selectionEnd()) {
        return;
    }
    // Keep the direction the user selected in.
    bool backwards = cursor.position() < cursor.anchor();
    cursor.setPosition(backwards ? to : from);
    cursor.setPosition(backwards ? from : to, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool CAutoCompleteEdit::DeleteValidSelection() {
    WidenSelectionToEntries(true);
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        return false;
    }
    // A whole entry goes with its separator, so no empty ";" is left behind.
    const QString text = PlainText();
    int to = cursor.selectionEnd();
    if (IsValidAt(to - 1) && to < text.size() && text[to] == kSep) {
        cursor.setPosition(cursor.selectionStart());
        cursor.setPosition(to + 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    setTextCursor(cursor);
    setCurrentCharFormat(DefaultFormat());
    ReportChange();
    return true;
}

bool CAutoCompleteEdit::BackspaceOverEntry() {
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        return false;
    }
    const QString text = PlainText();
    int caret = cursor.position();
    int from = -1;
    if (caret > 0 && text[caret - 1] == kSep) {
        // Right after the separator of a valid entry: the entry and its separator go.
        int end = caret - 1;
        while (end > 0 && text[end - 1].isSpace()) {
            --end;
        }
        if (end > 0 && IsValidAt(end - 1)) {
            from = ValidEntryAround(end - 1).start;
        }
    } else if (caret > 0 && IsValidAt(caret - 1)) {
        // Inside or at the end of a valid entry: the entry goes as one unit.
        Range entry = ValidEntryAround(caret - 1);
        if (!entry.Empty()) {
            from = entry.start;
            caret = std::max(caret, entry.end);
        }
    }
    if (from < 0) {
        return false;
    }
    cursor.setPosition(from);
    cursor.setPosition(caret, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
    setCurrentCharFormat(DefaultFormat());
    ReportChange();
    return true;
}

bool CAutoCompleteEdit::JumpOverEntry(bool forward) {
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        return false;
    }
    int caret = cursor.position();
    Range entry = ValidEntryAround(forward ? caret : caret - 1);
    if (entry.Empty()) {
        return false;
    }
    cursor.setPosition(forward ? entry.end : entry.start);
    setTextCursor(cursor);
    return true;
}

// ---- events ---------------------------------------------------------------------------------

bool CAutoCompleteEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Tab takes a suggestion while the list is shown; otherwise it moves the focus on.
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier &&
            IsSuggestionListShown()) {
            keyPressEvent(key);
            return true;
        }
    } else if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Keys the field uses itself while the list is shown must not trigger the window's
        // shortcuts; Ctrl+Enter is left to the window (Send).
        bool listKey = key->key() == Qt::Key_Escape || key->key() == Qt::Key_Up ||
                       key->key() == Qt::Key_Down || key->key() == Qt::Key_Home ||
                       key->key() == Qt::Key_End || key->key() == Qt::Key_Delete;
        bool ctrl = HasModifier(key, Qt::ControlModifier);
        if (!ctrl && IsSuggestionListShown() && listKey) {
            event->accept();
            return true;
        }
        if (!ctrl && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            event->accept();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void CAutoCompleteEdit::keyPressEvent(QKeyEvent* event) {
    const bool listShown = IsSuggestionListShown();
    const bool ctrl = HasModifier(event, Qt::ControlModifier);
    const bool shift = HasModifier(event, Qt::ShiftModifier);
    const int key = event->key();

    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        HideSuggestions();
        const bool cut = event->matches(QKeySequence::Cut);
        QTextEdit::keyPressEvent(event); // a paste completes in insertFromMimeData
        if (cut) {
            CompleteCurrentEntry();
        }
        return;
    }

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl) {
            event->ignore(); // the window's Send command
            return;
        }
        if (listShown) {
            TakeSuggestion(m_list->Selected());
        } else {
            // Enter inside an entry completes all of it, not just the part before the caret.
            const QString text = PlainText();
            int caret = textCursor().position();
            while (caret < text.size() && text[caret] != kSep) {
                ++caret;
            }
            QTextCursor cursor = textCursor();
            cursor.setPosition(caret);
            setTextCursor(cursor);
            CompleteCurrentEntry();
        }
        return;
    case Qt::Key_Tab:
        if (listShown && !ctrl && !shift) {
            TakeSuggestion(m_list->Selected());
            return;
        }
        break;
    case Qt::Key_Escape:
        if (ctrl || !listShown) {
            event->ignore();
            return;
        }
        HideSuggestions();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (listShown && !ctrl && !shift) {
            m_list->MoveSelection(key == Qt::Key_Up ? -1 : 1);
            return;
        }
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (listShown && !ctrl && !shift) {
            key == Qt::Key_Home ? m_list->SelectFirst() : m_list->SelectLast();
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!ctrl && !shift) {
            HideSuggestions();
            if (JumpOverEntry(key == Qt::Key_Right)) {
                return;
            }
        }
        break;
    case Qt::Key_Backspace:
        if (!ctrl && BackspaceOverEntry()) {
            HideSuggestions();
            return;
        }
        QTextEdit::keyPressEvent(event);
        if (listShown) {
            UpdateSuggestions();
        }
        return;
    case Qt::Key_Delete:
        if (listShown && !ctrl && !shift) {
            const QString selected = m_list->Selected();
            if (!selected.isEmpty()) {
                bool removed = false;
                emit RemoveEntryRequested(selected, &removed);
                if (removed) {
                    RemoveKnownEntry(selected.toStdString());
                }
                UpdateSuggestions();
            }
            return;
        }
        if (!ctrl && !shift && DeleteValidSelection()) {
            return;
        }
        break;
    default:
        break;
    }

    const QString typed = event->text();
    if (!ctrl && !typed.isEmpty() && typed[0].isPrint()) {
        if (typed.contains(kSep)) {
            HideSuggestions();
            CompleteCurrentEntry();
            return;
        }
        QTextCursor cursor = textCursor();
        cursor.insertText(typed, DefaultFormat());
        setTextCursor(cursor);
        ensureCursorVisible();
        UpdateSuggestions();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CAutoCompleteEdit::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        HideSuggestions();
        WidenSelectionToEntries(true);
    }
}

void CAutoCompleteEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        int position = cursorForPosition(event->position().toPoint()).position();
        Range entry = ValidEntryAround(position);
        if (entry.Empty() && position > 0) {
            entry = ValidEntryAround(position - 1);
        }
        if (!entry.Empty()) {
            QTextCursor cursor(document());
            cursor.setPosition(entry.start);
            cursor.setPosition(entry.end, QTextCursor::KeepAnchor);
            setTextCursor(cursor);
            emit DetailsRequested(PlainText().mid(entry.start, entry.end - entry.start));
            return;
        }
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void CAutoCompleteEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    HideSuggestions();
    // A context menu of the field itself takes the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason) {
        CompleteAll();
    }
}

void CAutoCompleteEdit::moveEvent(QMoveEvent* event) {
    QTextEdit::moveEvent(event);
    HideSuggestions();
}

void CAutoCompleteEdit::hideEvent(QHideEvent* event) {
    QTextEdit::hideEvent(event);
    HideSuggestions();
}

bool CAutoCompleteEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void CAutoCompleteEdit::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) {
        return;
    }
    QString text = source->text();
    for (QChar& c : text) {
        if (IsLineBreak(c)) {
            c = QLatin1Char('\n');
        }
    }
    std::vector<std::string> pieces = CRecipientPaste::Split(text.toStdString());
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    if (pieces.size() == 1 && !text.contains(kSep) && !text.contains('\n')) {
        // One entry pasted into the text being typed: it joins that entry, which is then
        // completed.
        QTextCursor insert = textCursor();
        insert.insertText(Q(pieces.front()), DefaultFormat());
        setTextCursor(insert);
        CompleteCurrentEntry();
        return;
    }
    QStringList entries;
    for (const std::string& piece : pieces) {
        entries << Q(piece);
    }
    InsertEntries(entries);
}

QMimeData* CAutoCompleteEdit::createMimeDataFromSelection() const {
    auto* mime = new QMimeData;
    QString text = textCursor().selectedText();
    for (QChar& c : text) {
        if (IsLineBreak(c)) {
            c = QLatin1Char('\n');
        }
    }
    mime->setText(text);
    return mime;
}

// ---- change reports -------------------------------------------------------------------------

void CAutoCompleteEdit::OnContentsChanged() {
    ReportChange();
}

void CAutoCompleteEdit::ReportChange() {
    if (m_changePending) {
        return;
    }
    m_changePending = true;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        emit EntriesChanged();
    });
}
