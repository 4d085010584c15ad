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
#include <functional>
#include <optional>

namespace {

const QChar kSep = QLatin1Char(CAutoCompleteEdit::kSeparator);

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
    connect(this, &QTextEdit::textChanged, this, &CAutoCompleteEdit::ReportChange);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] {
                int wanted = WantedHeight();
                if (wanted != m_lastHeight) {
                    m_lastHeight = wanted;
                    emit HeightRequested(wanted);
                }
            });
}

CAutoCompleteEdit::~CAutoCompleteEdit() {
    // The list handed in may go before the field; nothing is asked of the parent any more.
    blockSignals(true);
    m_known = &m_own;
}

// ---- known entries --------------------------------------------------------------------------

void CAutoCompleteEdit::UseKnownEntries(const CKnownEntries* known) {
    m_known = known != nullptr ? known : &m_own;
}

void CAutoCompleteEdit::SetKnownEntries(const std::vector<std::string>& entries) {
    m_own.Clear();
    for (const std::string& entry : entries) {
        AddKnownEntry(entry);
    }
    m_known = &m_own;
}

const CKnownEntries& CAutoCompleteEdit::KnownEntries() const {
    return *m_known;
}

bool CAutoCompleteEdit::IsKnown(const std::string& entry) const {
    const CKnownEntry* known = m_known->Find(entry);
    return known != nullptr && known->valid;
}

void CAutoCompleteEdit::AddKnownEntry(const std::string& entry) {
    if (!entry.empty()) {
        m_own.Add({entry, EntryKind::Typed, true, {}});
    }
}

void CAutoCompleteEdit::RemoveKnownEntry(const std::string& entry) {
    m_own.Remove(entry);
}

// ---- text and formats -----------------------------------------------------------------------

std::u16string CAutoCompleteEdit::Text16() const {
    const QString text = document()->toPlainText();
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

std::string CAutoCompleteEdit::Recipients() const {
    return document()->toPlainText().toStdString();
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

CRecipientFieldText::IsValidFn CAutoCompleteEdit::DrawnValid(const std::u16string& text) const {
    // The rules hand back views into `text`; their offset is the entry's position.
    return [this, base = text.data()](std::u16string_view entry) {
        return !entry.empty() && IsValidAt(static_cast<int>(entry.data() - base));
    };
}

CRecipientFieldText::IsValidFn CAutoCompleteEdit::Checker() {
    return [this](std::u16string_view entry) {
        return CheckEntry(QString::fromUtf16(entry.data(), static_cast<qsizetype>(entry.size())));
    };
}

std::vector<CAutoCompleteEdit::Range> CAutoCompleteEdit::EntryRanges() const {
    std::vector<Range> ranges;
    for (const CRecipientFieldText::Piece& piece : CRecipientFieldText::Pieces(Text16())) {
        ranges.push_back(piece.text);
    }
    return ranges;
}

namespace {

std::vector<std::string> Collect(const QString& text,
                                 const std::vector<CRecipientFieldText::Range>& ranges,
                                 const std::function<bool(int)>& keep) {
    std::vector<std::string> entries;
    for (const auto& range : ranges) {
        if (keep(static_cast<int>(range.start))) {
            entries.push_back(text.mid(static_cast<qsizetype>(range.start),
                                       static_cast<qsizetype>(range.end - range.start))
                                  .toStdString());
        }
    }
    return entries;
}

} // namespace

std::vector<std::string> CAutoCompleteEdit::Entries() const {
    return Collect(document()->toPlainText(), EntryRanges(), [](int) { return true; });
}

std::vector<std::string> CAutoCompleteEdit::ValidEntries() const {
    return Collect(document()->toPlainText(), EntryRanges(),
                   [this](int position) { return IsValidAt(position); });
}

std::vector<std::string> CAutoCompleteEdit::InvalidEntries() const {
    return Collect(document()->toPlainText(), EntryRanges(),
                   [this](int position) { return !IsValidAt(position); });
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
    InsertEntries(Q(text).split(kSep));
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
    const std::string text = entry.toStdString();
    if (IsKnown(text)) {
        return true;
    }
    bool accepted = false;
    emit UnknownEntry(entry, &accepted);
    if (accepted && m_known == &m_own) {
        AddKnownEntry(text);
    }
    return accepted;
}

void CAutoCompleteEdit::ReplaceText(const std::u16string& text) {
    // Only the part that differs is replaced, so formats and undo steps elsewhere stay.
    const std::u16string old = Text16();
    size_t prefix = 0;
    while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix]) {
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < text.size() - prefix &&
           old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
        ++suffix;
    }
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(prefix));
    cursor.setPosition(static_cast<int>(old.size() - suffix), QTextCursor::KeepAnchor);
    const std::u16string middle = text.substr(prefix, text.size() - prefix - suffix);
    cursor.insertText(QString::fromUtf16(middle.data(), static_cast<qsizetype>(middle.size())),
                      DefaultFormat());
}

bool CAutoCompleteEdit::HasFormat(Range range, const QTextCharFormat& format) const {
    // The fragments of the one block that overlap the range must all carry the format.
    const QTextBlock block = document()->firstBlock();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const size_t start = static_cast<size_t>(fragment.position());
        const size_t end = start + static_cast<size_t>(fragment.length());
        if (end <= range.start || start >= range.end) {
            continue;
        }
        const QTextCharFormat has = fragment.charFormat();
        if (has.isAnchor() != format.isAnchor() || has.anchorHref() != format.anchorHref() ||
            has.foreground() != format.foreground() ||
            has.fontUnderline() != format.fontUnderline()) {
            return false;
        }
    }
    return true;
}

void CAutoCompleteEdit::ApplyEdit(const Edit& edit) {
    QTextCursor cursor(document());
    bool formatted = false;
    cursor.beginEditBlock();
    if (edit.changed) {
        ReplaceText(edit.text);
    }
    if (!edit.entry.Empty()) {
        const QString entry =
            QString::fromUtf16(edit.text.data() + edit.entry.start,
                               static_cast<qsizetype>(edit.entry.end - edit.entry.start));
        const QTextCharFormat format = edit.valid ? ValidFormat(entry) : InvalidFormat();
        // An entry that already looks right is left alone: no empty undo steps.
        if (edit.changed || !HasFormat(edit.entry, format)) {
            cursor.setPosition(static_cast<int>(edit.entry.start));
            cursor.setPosition(static_cast<int>(edit.entry.end), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
            formatted = true;
        }
    }
    cursor.endEditBlock();
    cursor.setPosition(static_cast<int>(edit.caret));
    setTextCursor(cursor);
    setCurrentCharFormat(DefaultFormat());
    if (edit.changed || formatted) {
        ReportChange();
    }
}

void CAutoCompleteEdit::CompleteCurrentEntry() {
    const std::u16string text = Text16();
    ApplyEdit(CRecipientFieldText::CompleteEntry(text, static_cast<size_t>(textCursor().position()),
                                                 Checker()));
}

void CAutoCompleteEdit::CompleteAll() {
    HideSuggestions();
    std::u16string text = Text16();
    std::vector<CRecipientFieldText::Piece> pieces = CRecipientFieldText::Pieces(text);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Edit edit = CRecipientFieldText::CompleteEntry(text, pieces[i].text.end, Checker());
        ApplyEdit(edit);
        if (edit.changed) {
            // A separator was inserted: the entries after it moved.
            text = Text16();
            pieces = CRecipientFieldText::Pieces(text);
        }
    }
}

void CAutoCompleteEdit::TakeSuggestion(const QString& suggestion) {
    HideSuggestions();
    if (suggestion.isEmpty()) {
        return;
    }
    const std::u16string text = Text16();
    const std::u16string chosen(reinterpret_cast<const char16_t*>(suggestion.utf16()),
                                static_cast<size_t>(suggestion.size()));
    ApplyEdit(CRecipientFieldText::TakeSuggestion(
        text, static_cast<size_t>(textCursor().position()), chosen, Checker()));
}

// ---- suggestions ----------------------------------------------------------------------------

bool CAutoCompleteEdit::IsSuggestionListShown() const {
    return m_list->isVisible();
}

void CAutoCompleteEdit::HideSuggestions() {
    m_list->hide();
}

void CAutoCompleteEdit::UpdateSuggestions() {
    const std::u16string text = Text16();
    const size_t caret = static_cast<size_t>(textCursor().position());
    const std::u16string_view prefix = CRecipientFieldText::SuggestionPrefix(text, caret);
    QStringList candidates;
    for (const CKnownEntry* entry : m_known->Suggestions(CRecipientFieldText::ToUtf8(prefix))) {
        if (entry->valid) {
            candidates << Q(entry->text);
        }
    }
    if (candidates.isEmpty()) {
        HideSuggestions();
        return;
    }
    m_list->SetCandidates(candidates);
    // Below the start of the entry being typed.
    QTextCursor start(document());
    start.setPosition(static_cast<int>(caret - prefix.size()));
    QRect rect = cursorRect(start);
    m_list->ShowAt(viewport()->mapToGlobal(rect.bottomLeft() + QPoint(0, 2)));
}

// ---- valid entries as units -----------------------------------------------------------------

void CAutoCompleteEdit::WidenSelectionToEntries() {
    QTextCursor cursor = textCursor();
    const std::u16string text = Text16();
    const Range selection{static_cast<size_t>(cursor.selectionStart()),
                          static_cast<size_t>(cursor.selectionEnd())};
    const Range widened =
        CRecipientFieldText::WidenSelection(text, selection, DrawnValid(text), false);
    if (widened == selection) {
        return;
    }
    // Keep the direction the user selected in.
    bool backwards = cursor.position() < cursor.anchor();
    cursor.setPosition(static_cast<int>(backwards ? widened.end : widened.start));
    cursor.setPosition(static_cast<int>(backwards ? widened.start : widened.end),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

bool CAutoCompleteEdit::DeleteValidSelection() {
    QTextCursor cursor = textCursor();
    const std::u16string text = Text16();
    const Range selection{static_cast<size_t>(cursor.selectionStart()),
                          static_cast<size_t>(cursor.selectionEnd())};
    // Whole entries go with their separators, so no empty ";" is left behind.
    const Range widened =
        CRecipientFieldText::WidenSelection(text, selection, DrawnValid(text), true);
    if (widened == selection) {
        return false;
    }
    cursor.setPosition(static_cast<int>(widened.start));
    cursor.setPosition(static_cast<int>(widened.end), QTextCursor::KeepAnchor);
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
    const std::u16string text = Text16();
    const size_t caret = static_cast<size_t>(cursor.position());
    std::optional<Range> range = CRecipientFieldText::BackspaceRange(text, caret, DrawnValid(text));
    if (!range && caret > 0 && IsValidAt(static_cast<int>(caret) - 1)) {
        // Inside or at the end of a valid entry: the entry goes as one unit.
        const Range widened =
            CRecipientFieldText::WidenSelection(text, {caret - 1, caret}, DrawnValid(text), false);
        if (widened.end - widened.start > 1) {
            range = widened;
        }
    }
    if (!range) {
        return false;
    }
    cursor.setPosition(static_cast<int>(range->start));
    cursor.setPosition(static_cast<int>(range->end), QTextCursor::KeepAnchor);
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
    const std::u16string text = Text16();
    const size_t caret = static_cast<size_t>(cursor.position());
    const size_t moved = CRecipientFieldText::MoveCaret(text, caret, forward, DrawnValid(text));
    // A single step is left to the editor, which knows about surrogate pairs and line ends.
    if (moved == caret || (forward ? moved == caret + 1 : moved + 1 == caret)) {
        return false;
    }
    cursor.setPosition(static_cast<int>(moved));
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
            const QString text = document()->toPlainText();
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
                if (removed && m_known == &m_own) {
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
        WidenSelectionToEntries();
    }
}

void CAutoCompleteEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const size_t position =
            static_cast<size_t>(cursorForPosition(event->position().toPoint()).position());
        const std::u16string text = Text16();
        const Range entry = CRecipientFieldText::WidenSelection(text, {position, position},
                                                                DrawnValid(text), false);
        if (!entry.Empty()) {
            QTextCursor cursor(document());
            cursor.setPosition(static_cast<int>(entry.start));
            cursor.setPosition(static_cast<int>(entry.end), QTextCursor::KeepAnchor);
            setTextCursor(cursor);
            emit DetailsRequested(QString::fromUtf16(
                text.data() + entry.start, static_cast<qsizetype>(entry.end - entry.start)));
            return;
        }
    }
    QTextEdit::mouseDoubleClickEvent(event);
}

void CAutoCompleteEdit::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    HideSuggestions();
    // A context menu of the field itself takes the focus only for a moment. A window being
    // hidden or destroyed takes the focus too: then nothing is completed, since the parent
    // that answers UnknownEntry may already be going.
    if (event->reason() != Qt::PopupFocusReason && isVisible() && !window()->isHidden()) {
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
