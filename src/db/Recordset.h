#pragma once

#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace tarvik::db {

// The rows a command returned, read by field name. A Null field is a null QVariant
// (isNull() true); an empty text is a valid, empty QString. Positioned on the first row
// when it has one; BOF and EOF are both true for an empty recordset.
class Recordset
{
public:
    Recordset() = default;
    Recordset(QStringList fieldNames, std::vector<QVariantList> rows);

    bool isOpen() const { return m_open; }
    void close();

    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();

    int fieldCount() const { return int(m_fields.size()); }
    QString fieldName(int index) const;
    const QStringList& fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const; // case-insensitive; -1 when absent

    // The current row's value; throws DbError naming the field when there is no such field,
    // and DbError when there is no current row (EOF or BOF) or the recordset is closed.
    QVariant field(const QString& name) const;
    QVariant value(int index) const;

    int recordCount() const { return int(m_rows.size()); }
    int position() const { return m_pos; }
    const QVariantList& row(int index) const { return m_rows.at(size_t(index)); }

private:
    void requireOpen() const;

    QStringList m_fields;
    std::vector<QVariantList> m_rows;
    int m_pos = 0; // -1 = BOF, size = EOF
    bool m_open = true;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

} // namespace tarvik::db
