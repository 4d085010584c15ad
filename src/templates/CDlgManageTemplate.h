// The template manager: the templates in list order (number, name, text on one line; the
// signature marked by its own icon), with Add, Edit, Remove, Move Up and Move Down. Edit,
// Remove and the moves are enabled only while a row is selected. Every change is saved at
// once; OK and Cancel only close (Cancel does not undo). Opened modally from the compose
// dialog's template menu and from the options; F1 opens the help page.
#pragma once

#include "gui/CDlgBase.h"
#include "templates/CTemplateHandler.h"

class CQVRegClass;
class QPushButton;
class QTreeWidget;

class CDlgManageTemplate : public CDlgBase {
    Q_OBJECT

public:
    CDlgManageTemplate(CTemplateHandler& store, const CQVRegClass& reg, QWidget* owner = nullptr);

    // Runs the manager modally over `owner`; true when closed with OK.
    static bool Run(CTemplateHandler& store, const CQVRegClass& reg, QWidget* owner);
    bool RunModal();

    void OnAdd();
    void OnBtnedit();
    void OnTempRemove();
    void OnMoveup() { Move(-1); }
    void OnMovedown() { Move(+1); }

    // Selects the row of list position `row` (-1: none).
    void SelectRow(int row);
    // Controls, for the tests.
    QTreeWidget* List() const { return m_list; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* EditButton() const { return m_edit; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* MoveUpButton() const { return m_moveUp; }
    QPushButton* MoveDownButton() const { return m_moveDown; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void FillList();
    void UpdateButtons();
    void Move(int delta);
    // The name of the selected template; empty (after the alert) when none is selected.
    std::string SelectedName();

    CTemplateHandler& m_store;
    const CQVRegClass& m_reg;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_moveUp = nullptr;
    QPushButton* m_moveDown = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
