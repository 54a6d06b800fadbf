#include "LookupGrid.h"

#include "Twips.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>

namespace tarvik::lookup {

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return db::RecordsetModel::headerData(section, orientation, role);
}

void setUpGrid(QTableView* grid, int selectorTwips)
{
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false); // Tab leaves the grid, as it leaves every other control
    QHeaderView* selector = grid->verticalHeader();
    selector->setSectionResizeMode(QHeaderView::Fixed);
    selector->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    selector->setFixedWidth(shell::twipsToPixels(selectorTwips));
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString cellText(const QTableView* grid, int row, int column)
{
    const QAbstractItemModel* model = grid->model();
    if (!model || row < 0 || row >= model->rowCount() || column < 0 || column >= model->columnCount())
        return {};
    return model->data(model->index(row, column)).toString();
}

} // namespace tarvik::lookup
