#include "RecordsetModel.h"

namespace tarvik::db {

RecordsetModel::RecordsetModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordsetModel::setRecordset(RecordsetPtr recordset)
{
    beginResetModel();
    m_recordset = std::move(recordset);
    endResetModel();
}

int RecordsetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_recordset || !m_recordset->isOpen())
        return 0;
    return m_recordset->recordCount();
}

int RecordsetModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_recordset)
        return 0;
    return m_recordset->fieldCount();
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_recordset || !m_recordset->isOpen())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant value = m_recordset->row(index.row()).value(index.column());
    if (value.isNull())
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    return value;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_recordset)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_recordset->fieldCount() ? m_recordset->fieldName(section) : QVariant();
    return section + 1;
}

} // namespace tarvik::db
