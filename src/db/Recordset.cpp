#include "Recordset.h"

#include "DbError.h"

namespace tarvik::db {

Recordset::Recordset(QStringList fieldNames, std::vector<QVariantList> rows)
    : m_fields(std::move(fieldNames)), m_rows(std::move(rows))
{
}

void Recordset::close()
{
    m_open = false;
    m_rows.clear();
    m_rows.shrink_to_fit();
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw DbError(QStringLiteral("The recordset is closed."));
}

bool Recordset::eof() const
{
    requireOpen();
    return m_rows.empty() || m_pos >= int(m_rows.size());
}

bool Recordset::bof() const
{
    requireOpen();
    return m_rows.empty() || m_pos < 0;
}

void Recordset::moveFirst()
{
    requireOpen();
    m_pos = 0;
}

void Recordset::moveNext()
{
    requireOpen();
    if (eof())
        throw DbError(QStringLiteral("Cannot move past the end of the recordset."));
    ++m_pos;
}

void Recordset::movePrevious()
{
    requireOpen();
    if (bof())
        throw DbError(QStringLiteral("Cannot move before the beginning of the recordset."));
    --m_pos;
}

void Recordset::moveLast()
{
    requireOpen();
    m_pos = int(m_rows.size()) - 1;
}

QString Recordset::fieldName(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw DbError(QStringLiteral("The recordset has no field number %1.").arg(index));
    return m_fields.at(index);
}

int Recordset::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::field(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("The recordset has no field named \"%1\" (it has: %2).")
                          .arg(name, m_fields.join(QStringLiteral(", "))));
    return value(index);
}

QVariant Recordset::value(int index) const
{
    requireOpen();
    if (index < 0 || index >= m_fields.size())
        throw DbError(QStringLiteral("The recordset has no field number %1.").arg(index));
    if (eof() || bof())
        throw DbError(QStringLiteral("The recordset has no current row: it is at its %1.")
                          .arg(eof() ? QStringLiteral("end") : QStringLiteral("beginning")));
    return m_rows.at(size_t(m_pos)).at(index);
}

} // namespace tarvik::db
