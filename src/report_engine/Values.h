#pragma once

// Exact money arithmetic, parameter conversion and value formatting.

#include "Definition.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace tarvik::engine {

__extension__ typedef __int128 Int128;

// A fixed-point decimal with six places, summed exactly: 0.10 + 0.20 is 0.30, and a million
// cents add up to the cent.
class Decimal
{
public:
    static constexpr int kPlaces = 6;
    static constexpr long long kScale = 1000000;

    Decimal() = default;
    static Decimal fromUnits(Int128 units)
    {
        Decimal d;
        d.m_units = units;
        return d;
    }
    static Decimal fromInt(long long v) { return fromUnits(Int128(v) * kScale); }
    // "-1,234.5", "12", "0.125"; places beyond six are rounded half away from zero.
    static std::optional<Decimal> parse(const QString& text);
    // Numbers of any kind and numeric texts; a double goes through its shortest decimal form,
    // so 0.1 counts as exactly 0.1. Null, empty and non-numeric values give nothing.
    static std::optional<Decimal> fromVariant(const QVariant& value);

    Int128 units() const { return m_units; }
    double toDouble() const;
    // Rounded half away from zero to the given places (0..6), '.' decimal point, '-' sign.
    QString toString(int places) const;
    QString toShortString() const; // all places that are not trailing zeros

    Decimal operator+(const Decimal& o) const { return fromUnits(m_units + o.m_units); }
    Decimal& operator+=(const Decimal& o)
    {
        m_units += o.m_units;
        return *this;
    }
    Decimal dividedBy(long long n) const; // rounded half away from zero
    auto operator<=>(const Decimal&) const = default;
    bool isNegative() const { return m_units < 0; }

private:
    Int128 m_units = 0;
};

// Converts a caller's value to a parameter's declared type. Texts and "mm/dd/yyyy" date texts
// (also "yyyy-mm-dd"), QDate/QDateTime, numbers and booleans are understood. Returns an
// invalid QVariant when the value does not convert; currency comes back as a Decimal text.
QVariant convertParameterValue(ParameterType type, const QVariant& value);

// A database value read as a date/time: QDate, QDateTime or ISO texts ("2026-01-31",
// "2026-01-31 08:30:00", "2026-01-31T08:30:00"). Invalid when it is none of them.
QDateTime variantToDateTime(const QVariant& value, bool* dateOnly = nullptr);

// Text of a value through a format. Numbers keep their exact decimal value.
QString formatValue(const QVariant& value, const ValueFormat& format);
QString formatDecimal(const Decimal& value, const ValueFormat& format);
// The text before or after a number with its choices "{singular|plural}" made: the singular
// for one, the plural otherwise ("{patient|patients}").
QString withNumberChoices(const QString& affix, bool one);


bool isEmptyValue(const QVariant& value);

} // namespace tarvik::engine
