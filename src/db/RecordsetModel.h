#pragma once

#include "Recordset.h"

#include <QAbstractTableModel>

namespace tarvik::db {

// Shows a recordset in a Qt item view as a grid: one column per field (the field names as
// headers), one row per record. Null fields show as empty cells.
class RecordsetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordsetModel(QObject* parent = nullptr);

    void setRecordset(RecordsetPtr recordset);
    RecordsetPtr recordset() const { return m_recordset; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    RecordsetPtr m_recordset;
};

} // namespace tarvik::db
