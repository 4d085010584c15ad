#include "CMirrorWindow.h"

#include "gui/CQtEventPump.h"

#include "platform/WinImageList.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace mailclient {

namespace {

constexpr int kRefreshMs = 500;
constexpr int kIconScale = 2;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A picture of the image list, drawn twice as large with its pixels kept sharp; null when the
// list has no such image.
QIcon IconOf(win::HIMAGELIST list, int index) {
    win::BitmapPixels pixels;
    if (list == 0 || index < 0 || !win::ImageList_GetImagePixels(list, index, &pixels) ||
        pixels.width <= 0 || pixels.height <= 0) {
        return QIcon();
    }
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            image.setPixel(x, y, pixels.pixels[static_cast<std::size_t>(y * pixels.width + x)]);
        }
    }
    return QIcon(
        QPixmap::fromImage(image.scaled(pixels.width * kIconScale, pixels.height * kIconScale,
                                        Qt::KeepAspectRatio, Qt::FastTransformation)));
}

// The menu's items as the user sees them, asked for with a Qt menu at the mouse.
win::UINT ChooseWithQtMenu(const win::PopupMenuRequest& request, QWidget* parent) {
    QMenu menu(parent);
    for (const CMailClient::MenuItem& item : CMailClient::MenuItems(request.menu)) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(Q(item.text));
        action->setEnabled(item.enabled && !item.popup);
        action->setData(item.id);
        if (item.isDefault) {
            QFont font = action->font();
            font.setBold(true);
            action->setFont(font);
        }
    }
    QAction* chosen = menu.exec(QCursor::pos());
    return chosen == nullptr ? 0u : chosen->data().toUInt();
}

} // namespace

CMirrorWindow::CMirrorWindow(CMailClient& client) : m_client(client) {
    m_toolbar = addToolBar("Main");
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(16 * kIconScale, 16 * kIconScale));

    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(CMailClient::kColumnCount);
    QStringList titles;
    for (int c = 0; c < CMailClient::kColumnCount; ++c) {
        titles << CMailClient::ColumnTitle(c);
    }
    m_tree->setHeaderLabels(titles);
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_tree->setColumnWidth(0, 260);
    m_tree->setColumnWidth(2, 140);
    m_tree->installEventFilter(this);

    // The preview pane below the list shows the selected mail, as a mail client's does.
    m_preview = new QPlainTextEdit(this);
    m_preview->setReadOnly(true);
    m_preview->setPlaceholderText("No mail selected");
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_preview);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    m_counts = new QLabel(this);
    statusBar()->addPermanentWidget(m_counts);

    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CMirrorWindow::OnSelectionChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        m_client.DoubleClickRow(m_tree->indexOfTopLevelItem(item));
        Refresh();
    });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &CMirrorWindow::OnContextMenu);

    resize(980, 640);
    connect(&m_refresh, &QTimer::timeout, this, &CMirrorWindow::Refresh);
    m_refresh.start(kRefreshMs);
    Refresh();
}

void CMirrorWindow::Refresh() {
    setWindowTitle(Q(win::GetWindowText(m_client.MainWindow())));
    RebuildMenuBar();
    RebuildToolbar();
    RebuildRows();
}

void CMirrorWindow::RebuildMenuBar() {
    const std::vector<CMailClient::MenuItem> bar = CMailClient::MenuItems(m_client.MenuBar());
    std::string signature;
    for (const CMailClient::MenuItem& item : bar) {
        signature += item.text + '\n';
    }
    if (signature == m_menuSignature) {
        return;
    }
    m_menuSignature = signature;
    menuBar()->clear();
    for (std::size_t i = 0; i < bar.size(); ++i) {
        QMenu* menu = menuBar()->addMenu(Q(bar[i].text));
        const int index = static_cast<int>(i);
        // Opened as the user opens the platform popup, so its owner (and whoever subclassed
        // it) prepares the items first.
        connect(menu, &QMenu::aboutToShow, this, [this, menu, index] { FillMenu(menu, index); });
    }
}

void CMirrorWindow::FillMenu(QMenu* menu, int index) {
    menu->clear();
    win::HMENU popup = 0;
    if (!m_client.OpenMenuPopup(index, popup).empty()) {
        return;
    }
    for (const CMailClient::MenuItem& item : CMailClient::MenuItems(popup)) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Q(item.text));
        action->setEnabled(item.enabled && !item.popup);
        const win::UINT id = item.id;
        connect(action, &QAction::triggered, this, [this, index, id] {
            m_client.ChooseMenuItem(index, id);
            Refresh();
        });
    }
}

void CMirrorWindow::RebuildToolbar() {
    const std::vector<CMailClient::Button> buttons = m_client.ToolbarButtons(false);
    const win::HIMAGELIST images = m_client.ToolbarImageList();
    std::string signature = std::to_string(m_client.Toolbar()) + ":" +
                            std::to_string(m_client.ToolbarImageCount()) + ";";
    for (const CMailClient::Button& b : buttons) {
        signature += std::to_string(b.command) + "," + std::to_string(b.image) + "," + b.text +
                     (b.enabled ? "+" : "-") + (b.hidden ? "h" : "") + ";";
    }
    if (signature == m_toolbarSignature) {
        return;
    }
    m_toolbarSignature = signature;
    m_toolbar->clear();
    // Tooltips are asked for only now, as the tooltip control asks when the mouse rests.
    for (const CMailClient::Button& b : m_client.ToolbarButtons(true)) {
        if (b.hidden) {
            continue;
        }
        if (b.separator) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* action = m_toolbar->addAction(IconOf(images, b.image), Q(b.text));
        action->setToolTip(Q(b.tooltip.empty() ? b.text : b.tooltip));
        action->setEnabled(b.enabled);
        const int index = b.index;
        connect(action, &QAction::triggered, this, [this, index] {
            m_client.ClickToolbar(index);
            Refresh();
        });
    }
}

void CMirrorWindow::RebuildRows() {
    const std::vector<CMailClient::Row> rows = m_client.Rows();
    std::string signature;
    for (const CMailClient::Row& row : rows) {
        for (const std::string& c : row.columns) {
            signature += c + '\t';
        }
        signature += row.read ? 'r' : 'u';
        signature += row.selected ? 's' : '-';
        signature += '\n';
    }
    if (signature == m_rowsSignature) {
        return;
    }
    m_rowsSignature = signature;
    m_updatingRows = true;
    m_tree->clear();
    const MailItem* selectedMail = nullptr;
    for (const CMailClient::Row& row : rows) {
        auto* item = new QTreeWidgetItem(m_tree);
        for (std::size_t c = 0; c < row.columns.size(); ++c) {
            item->setText(static_cast<int>(c), Q(row.columns[c]));
            QFont font = item->font(static_cast<int>(c));
            font.setBold(!row.read);
            item->setFont(static_cast<int>(c), font);
        }
        item->setSelected(row.selected);
        if (row.selected && selectedMail == nullptr) {
            selectedMail = m_client.MailOfRow(m_tree->indexOfTopLevelItem(item));
        }
    }
    m_updatingRows = false;
    if (selectedMail == nullptr) {
        m_preview->clear();
    } else {
        m_preview->setPlainText(Q("From: " + selectedMail->from + "\nTo: " + selectedMail->to +
                                  "\nSubject: " + selectedMail->subject +
                                  "\nDate: " + selectedMail->date + "\n\n" + selectedMail->body));
    }
    int unread = 0;
    for (const CMailClient::Row& row : rows) {
        unread += row.read ? 0 : 1;
    }
    m_counts->setText(QString("%1 message(s), %2 unread").arg(rows.size()).arg(unread));
}

void CMirrorWindow::OnSelectionChanged() {
    if (m_updatingRows) {
        return;
    }
    const QList<QTreeWidgetItem*> selected = m_tree->selectedItems();
    if (!selected.isEmpty()) {
        m_client.SelectRow(m_tree->indexOfTopLevelItem(selected.front()));
    }
    Refresh();
}

void CMirrorWindow::OnContextMenu(const QPoint& pos) {
    QTreeWidgetItem* item = m_tree->itemAt(pos);
    if (item == nullptr) {
        return;
    }
    m_client.ContextMenuOnRow(
        m_tree->indexOfTopLevelItem(item),
        [this](const win::PopupMenuRequest& request) { return ChooseWithQtMenu(request, this); });
    Refresh();
}

bool CMirrorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_client.PressEnter();
            Refresh();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMirrorWindow::ShowEvent(const std::string& line) {
    // A long event line (a menu with all its items) ends in "..." before the counts, so the
    // two never run into each other.
    const int room = statusBar()->width() - m_counts->width() - 4 * statusBar()->height();
    statusBar()->showMessage(
        statusBar()->fontMetrics().elidedText(Q(line), Qt::ElideRight, std::max(room, 0)), 8000);
}

void CMirrorWindow::ShowMail(int row) {
    const MailItem* mail = m_client.MailOfRow(row);
    if (mail == nullptr) {
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(Q(mail->subject.empty() ? std::string("(no subject)") : mail->subject));
    auto* layout = new QVBoxLayout(dialog);
    auto* form = new QFormLayout();
    auto plain = [dialog](const std::string& text) {
        auto* label = new QLabel(Q(text), dialog);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    form->addRow("From:", plain(mail->from));
    form->addRow("To:", plain(mail->to));
    form->addRow("Subject:", plain(mail->subject));
    form->addRow("Date:", plain(mail->date));
    layout->addLayout(form);
    auto* body = new QPlainTextEdit(Q(mail->body), dialog);
    body->setReadOnly(true);
    layout->addWidget(body);
    dialog->resize(560, 380);
    dialog->show();
}

std::string CMirrorWindow::SaveScreenshot(const std::string& path) {
    // What is still queued for the platform windows goes first: a library hooked into the
    // client adds its toolbar button from a message of its own, which may be waiting behind
    // the command that asked for this picture (a batch at most). Then the mirror is rebuilt, and
    // the layouts its rebuild requested run before the window is drawn into the picture.
    if (CQtEventPump* pump = CQtEventPump::Instance())
        pump->Drain();
    Refresh();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::PolishRequest);
    const QPixmap picture = grab();
    if (picture.isNull() || !picture.save(Q(path), "PNG")) {
        return "cannot save the picture to " + path;
    }
    return {};
}

void CMirrorWindow::closeEvent(QCloseEvent* event) {
    // The mail client decides: its main window hears WM_CLOSE and ends the loop.
    event->ignore();
    win::PostMessage(m_client.MainWindow(), win::WM_CLOSE, 0, 0);
}

} // namespace mailclient
