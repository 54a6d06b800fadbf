#pragma once

#include "ShadowTitle.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace tarvik::lookup {
class GridModel;
}

namespace tarvik::monthly {

// The maintenance of the miscellaneous revenue codes: the codes matching the search text in a
// grid (re-queried on every change of the text), the chosen row copied into Code and
// Description for editing, Save, Add/New and Close. A failed search or save is shown in a
// message box and the window keeps what was typed.
class frmMiscellaneous : public QDialog
{
    Q_OBJECT
public:
    explicit frmMiscellaneous(QWidget* parent = nullptr);
    ~frmMiscellaneous() override;

    lookup::ShadowTitle title;
    QLabel* Label1 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QToolButton* cmdFind = nullptr;
    QTableView* grdRevenues = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtRevenue = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtDescription = nullptr;
    std::array<QPushButton*, 3> cmdOptions{}; // Save, Close, Add/New

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the grid with the codes matching the search text; returns false (after showing the
    // failure) when the search failed.
    bool LoadRevenues();
    void ClearRevenueEntry();
    void grdRevenues_RowChanged(int row);
    void cmdOptions_Click(int index);
    void cmdSave_Click();

    lookup::GridModel* m_model = nullptr;
    bool m_quiet = false; // the list is being replaced, not moved in by the user
    int m_descriptionWidth = 0;
};

} // namespace tarvik::monthly
