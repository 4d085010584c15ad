#include "options/CPageAlert.h"

#include "config/CQVRegClass.h"
#include "log/LogManager.h"
#include "options/COptionsRules.h"
#include "options/COptionsTexts.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr int kAlertsIcon = 22;

// The boxes in list order (AlertListbox positions 0, 1, 3 ... 8).
constexpr const char* kAlertKeys[] = {
    "SMSOptions.Alert.chkInvalidRecipients", "SMSOptions.Alert.chkMessageSend",
    "SMSOptions.Alert.chkMsgModification",   "SMSOptions.Alert.chkTemplateModification",
    "SMSOptions.Alert.chkOutboxMessage",     "SMSOptions.Alert.chkMsgPermanentlyDel",
    "SMSOptions.Alert.chkTemplateDel",       "SMSOptions.Alert.chkAppNotUsed",
};
static_assert(std::size(kAlertKeys) == COptionsRules::kAlertPositions.size());

} // namespace

CPageAlert::CPageAlert(const OptionsServices& services, QWidget* parent)
    : COptionsPage(services, "SMSOptions.Alert.txtDialogName", parent) {
    PageSection alerts = Section("SMSOptions.Alert.lblAlerts", kAlertsIcon);
    alerts.content->addWidget(
        new QLabel(COptionsTexts::QT("SMSOptions.Alert.lblalertMeWhen"), this));
    m_list = new QListWidget(this);
    m_list->setObjectName("listAlerts");
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSpacing(2);
    alerts.content->addWidget(m_list, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(alerts.frame, 1);

    const std::array<bool, 8> boxes = COptionsRules::AlertBoxes(m_reg.GetAlertListboxFlags());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        auto* item = new QListWidgetItem(COptionsTexts::QT(kAlertKeys[i]), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(boxes[i] ? Qt::Checked : Qt::Unchecked);
    }
    connect(m_list, &QListWidget::itemChanged, this, [this] { SetModified(); });
}

void CPageAlert::OnApply() {
    Log("CPageAlert::OnApply", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    std::array<bool, 8> boxes{};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        boxes[i] = m_list->item(static_cast<int>(i))->checkState() == Qt::Checked;
    }
    m_reg.SetAlertListbox(COptionsRules::AlertListboxText(boxes));
}
