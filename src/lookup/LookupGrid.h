#pragma once

// The grid that lists a recordset in the pick and maintenance windows: a blank selector column
// before the fields, the field names as emphasised headings, whole rows selected one at a time.

#include "RecordsetModel.h"

#include <QString>

class QTableView;

namespace tarvik::lookup {

// A recordset with a blank row selector (the row headers) and bold field-name headings.
class GridModel : public db::RecordsetModel
{
    Q_OBJECT
public:
    using db::RecordsetModel::RecordsetModel;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};

// Sets a table view up as such a grid, read-only, its selector column `selectorTwips` wide.
void setUpGrid(QTableView* grid, int selectorTwips);

// The text of field `column` in record `row` of a grid's model; empty outside it.
QString cellText(const QTableView* grid, int row, int column);

} // namespace tarvik::lookup
