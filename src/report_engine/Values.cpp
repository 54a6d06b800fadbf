#include "Values.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <array>
#include <charconv>
#include <cmath>

namespace tarvik::engine {

namespace {

constexpr auto kPowers = [] {
    std::array<Int128, 39> p{};
    p[0] = 1;
    for (size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

Int128 pow10(int n)
{
    return kPowers[size_t(n)];
}

QString int128ToString(Int128 v)
{
    char buf[48];
    char* end = buf + sizeof buf;
    char* p = end;
    do {
        *--p = char('0' + int(v % 10));
        v /= 10;
    } while (v > 0);
    return QString::fromLatin1(p, end - p);
}

QString groupThousands(const QString& digits)
{
    QString out;
    const int n = int(digits.size());
    out.reserve(n + n / 3);
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += u',';
        out += digits[i];
    }
    return out;
}

} // namespace

std::optional<Decimal> Decimal::parse(const QString& input)
{
    QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool negative = false;
    int i = 0;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        i = 1;
    }
    Int128 whole = 0;
    Int128 frac = 0;
    int fracDigits = 0;
    bool anyDigit = false;
    bool inFraction = false;
    int roundDigit = -1;
    int exponent = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit()) {
            anyDigit = true;
            const int d = c.digitValue();
            if (!inFraction) {
                whole = whole * 10 + d;
                if (whole > kPowers[30]) // beyond any amount; keeps the sum far from overflow
                    return std::nullopt;
            } else if (fracDigits < kPlaces) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else if (roundDigit < 0) {
                roundDigit = d;
            }
        } else if (c == u',' && !inFraction) {
            continue; // thousands separator
        } else if (c == u'.' && !inFraction) {
            inFraction = true;
        } else if ((c == u'e' || c == u'E') && anyDigit) {
            bool ok = false;
            exponent = text.mid(i + 1).toInt(&ok);
            if (!ok || std::abs(exponent) > 30)
                return std::nullopt;
            break;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    Int128 units = whole * kScale + frac * pow10(kPlaces - fracDigits);
    if (roundDigit >= 5)
        units += 1;
    if (exponent > 0) {
        units *= pow10(exponent);
    } else if (exponent < 0) {
        const Int128 p = pow10(-exponent);
        units = (units + p / 2) / p;
    }
    return fromUnits(negative ? -units : units);
}

std::optional<Decimal> Decimal::fromVariant(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        return fromInt(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
        return fromUnits(Int128(value.toULongLong()) * kScale);
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return std::nullopt;
        // The shortest text that reads back as d: 0.1 is 0.1, not 0.1000000000000000055.
        char buf[40];
        const auto res = std::to_chars(buf, buf + sizeof buf, d);
        return parse(QString::fromLatin1(buf, res.ptr - buf));
    }
    case QMetaType::Bool:
        return fromInt(value.toBool() ? 1 : 0);
    default:
        return parse(value.toString());
    }
}

double Decimal::toDouble() const
{
    // Whole and fraction apart, so large sums do not lose their cents to one big division.
    const Int128 whole = m_units / kScale;
    const Int128 frac = m_units % kScale;
    return double(whole) + double(frac) / double(kScale);
}

QString Decimal::toString(int places) const
{
    places = std::clamp(places, 0, kPlaces);
    Int128 u = m_units < 0 ? -m_units : m_units;
    const Int128 drop = pow10(kPlaces - places);
    u = (u + drop / 2) / drop;
    const Int128 p = pow10(places);
    QString s = int128ToString(u / p);
    if (places > 0)
        s += u'.' + int128ToString(u % p).rightJustified(places, u'0');
    if (m_units < 0 && u != 0)
        s.prepend(u'-');
    return s;
}

QString Decimal::toShortString() const
{
    QString s = toString(kPlaces);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s;
}

Decimal Decimal::dividedBy(long long n) const
{
    if (n == 0)
        return {};
    Int128 q = m_units / n;
    const Int128 r = m_units % n;
    const Int128 absR = r < 0 ? -r : r;
    const Int128 absN = n < 0 ? -Int128(n) : Int128(n);
    if (absR * 2 >= absN)
        q += ((m_units < 0) != (n < 0)) ? -1 : 1;
    return fromUnits(q);
}

namespace {

int digitsAt(QStringView s, int at, int n)
{
    int v = 0;
    for (int i = at; i < at + n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// "yyyy-mm-dd[ hh:mm[:ss]]" without the general parser: this runs for every date of every row.
// Times are taken as written (as UTC): formatting must not shift them through a time zone.
bool parseIsoFast(QStringView s, QDateTime& out, bool& dateOnly)
{
    if (s.size() < 10 || s[4] != u'-' || s[7] != u'-')
        return false;
    const int y = digitsAt(s, 0, 4), m = digitsAt(s, 5, 2), d = digitsAt(s, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return false;
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    if (s.size() == 10) {
        out = QDateTime(date, QTime(0, 0), Qt::UTC);
        dateOnly = true;
        return true;
    }
    if ((s.size() != 16 && s.size() != 19) || (s[10] != u' ' && s[10] != u'T') || s[13] != u':')
        return false;
    const int hh = digitsAt(s, 11, 2), mm = digitsAt(s, 14, 2);
    const int ss = s.size() == 19 && s[16] == u':' ? digitsAt(s, 17, 2) : (s.size() == 16 ? 0 : -1);
    if (hh < 0 || mm < 0 || ss < 0)
        return false;
    const QTime time(hh, mm, ss);
    if (!time.isValid())
        return false;
    out = QDateTime(date, time, Qt::UTC);
    dateOnly = false;
    return true;
}

} // namespace

QDateTime variantToDateTime(const QVariant& value, bool* dateOnly)
{
    if (dateOnly)
        *dateOnly = false;
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate) {
        if (dateOnly)
            *dateOnly = true;
        return QDateTime(value.toDate(), QTime(0, 0));
    }
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        return {};
    const QString s = value.toString().trimmed();
    {
        QDateTime fast;
        bool only = false;
        if (parseIsoFast(s, fast, only)) {
            if (dateOnly)
                *dateOnly = only;
            return fast;
        }
    }
    if (s.size() == 10) {
        QDate d = QDate::fromString(s, Qt::ISODate);
        if (!d.isValid())
            d = QDate::fromString(s, QStringLiteral("MM/dd/yyyy"));
        if (d.isValid()) {
            if (dateOnly)
                *dateOnly = true;
            return QDateTime(d, QTime(0, 0));
        }
        return {};
    }
    if (s.size() >= 16 && s.size() <= 26) {
        QString iso = s;
        if (iso.size() > 10 && iso[10] == u' ')
            iso[10] = u'T';
        QDateTime dt = QDateTime::fromString(iso, Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(iso, Qt::ISODate);
        if (!dt.isValid()) {
            // "hh:mm:ss.z" takes the fractions of a second the server's texts carry
            // ("03/15/2026 23:59:59.99": up to the end of that day).
            for (const char* f : {"MM/dd/yyyy hh:mm:ss", "MM/dd/yyyy hh:mm:ss.z", "MM/dd/yyyy hh:mm",
                                  "M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm AP"}) {
                dt = QDateTime::fromString(s, QString::fromLatin1(f));
                if (dt.isValid())
                    break;
            }
        }
        return dt;
    }
    return {};
}

QVariant convertParameterValue(ParameterType type, const QVariant& value)
{
    if (!value.isValid())
        return {};
    const QString text = value.toString().trimmed();
    switch (type) {
    case ParameterType::Text:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("MM/dd/yyyy"));
        return value.toString();
    case ParameterType::Date: {
        if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
            return value.toDate().isValid() ? QVariant(value.toDate()) : QVariant();
        QDate d = QDate::fromString(text, QStringLiteral("MM/dd/yyyy"));
        if (!d.isValid())
            d = QDate::fromString(text, QStringLiteral("M/d/yyyy"));
        if (!d.isValid() && text.size() == 10)
            d = QDate::fromString(text, Qt::ISODate);
        if (!d.isValid()) {
            // A date-time text is accepted for a date only when it is midnight-free of doubt:
            // its date part is what the caller meant.
            const QDateTime dt = variantToDateTime(text);
            if (dt.isValid())
                d = dt.date();
        }
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case ParameterType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().isValid() ? value : QVariant();
        if (value.typeId() == QMetaType::QDate)
            return QDateTime(value.toDate(), QTime(0, 0));
        QDateTime dt = variantToDateTime(text);
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(text, QStringLiteral("M/d/yyyy"));
            if (d.isValid())
                dt = QDateTime(d, QTime(0, 0));
        }
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case ParameterType::Number: {
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int ||
            value.typeId() == QMetaType::LongLong)
            return value.toDouble();
        bool ok = false;
        QString t = text;
        t.remove(u',');
        const double d = t.toDouble(&ok);
        return ok && std::isfinite(d) ? QVariant(d) : QVariant();
    }
    case ParameterType::Currency: {
        QString t = text;
        if (t.startsWith(u'$'))
            t.remove(0, 1);
        const auto d = value.typeId() == QMetaType::Double ? Decimal::fromVariant(value)
                                                           : Decimal::parse(t);
        if (!d)
            return {};
        return d->toString(Decimal::kPlaces > 4 ? 4 : Decimal::kPlaces);
    }
    case ParameterType::Boolean: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        const QString t = text.toLower();
        if (t == u"true" || t == u"yes" || t == u"y" || t == u"t" || t == u"1")
            return true;
        if (t == u"false" || t == u"no" || t == u"n" || t == u"f" || t == u"0")
            return false;
        return {};
    }
    }
    return {};
}

bool isEmptyValue(const QVariant& value)
{
    return !value.isValid() || value.isNull() ||
           (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty());
}

QString withNumberChoices(const QString& affix, bool one)
{
    if (!affix.contains(u'{'))
        return affix;
    static const QRegularExpression choice(QStringLiteral("\\{([^{}|]*)\\|([^{}|]*)\\}"));
    QString out;
    qsizetype pos = 0;
    auto it = choice.globalMatch(affix);
    while (it.hasNext()) {
        const auto m = it.next();
        out += affix.mid(pos, m.capturedStart() - pos);
        out += m.captured(one ? 1 : 2);
        pos = m.capturedEnd();
    }
    out += affix.mid(pos);
    return out;
}

QString formatDecimal(const Decimal& value, const ValueFormat& format)
{
    switch (format.kind) {
    case ValueFormat::Kind::None:
    case ValueFormat::Kind::DateTime:
        return value.toShortString();
    case ValueFormat::Kind::Number:
        break;
    }
    QString s = value.toString(format.maxDecimals);
    const bool negative = s.startsWith(u'-');
    if (negative)
        s.remove(0, 1);
    // Optional decimals ('#' after the point) are dropped when they are zero.
    if (format.maxDecimals > format.minDecimals) {
        int keep = int(s.size());
        const int point = int(s.indexOf(u'.'));
        const int minEnd = format.minDecimals == 0 ? point : point + 1 + format.minDecimals;
        while (keep > minEnd && s[keep - 1] == u'0')
            --keep;
        if (keep == point + 1)
            keep = point;
        s.truncate(keep);
    }
    // "1 patient", "2 patients": the number as shown decides.
    const bool one = s == QLatin1String("1");
    if (format.grouping) {
        const int point = int(s.indexOf(u'.'));
        const QString whole = point < 0 ? s : s.left(point);
        s = groupThousands(whole) + (point < 0 ? QString() : s.mid(point));
    }
    auto affix = [one](const QString& a) { return withNumberChoices(a, one); };
    if (negative) {
        if (format.hasNegativeSection)
            return affix(format.negPrefix) + s + affix(format.negSuffix);
        return u'-' + affix(format.prefix) + s + affix(format.suffix);
    }
    return affix(format.prefix) + s + affix(format.suffix);
}

QString formatValue(const QVariant& value, const ValueFormat& format)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (format.kind) {
    case ValueFormat::Kind::Number:
        if (const auto d = Decimal::fromVariant(value))
            return formatDecimal(*d, format);
        return value.toString();
    case ValueFormat::Kind::DateTime: {
        const QDateTime dt = variantToDateTime(value);
        if (dt.isValid())
            return dt.toString(format.pattern);
        return value.toString();
    }
    case ValueFormat::Kind::None:
        break;
    }
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("MM/dd/yyyy"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("MM/dd/yyyy hh:mm"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

ValueFormat parseValueFormat(const QString& pattern)
{
    ValueFormat f;
    if (pattern.isEmpty())
        return f;
    const bool numeric = pattern.contains(u'0') || pattern.contains(u'#');
    if (!numeric) {
        f.kind = ValueFormat::Kind::DateTime;
        f.pattern = pattern;
        return f;
    }
    f.kind = ValueFormat::Kind::Number;
    const QStringList sections = pattern.split(u';');
    if (sections.size() > 2)
        throw std::invalid_argument("a number format has at most two sections: positive;negative");
    auto parseSection = [&f](const QString& sec, QString& prefix, QString& suffix, bool main) {
        const int first = int(sec.indexOf(QRegularExpression(QStringLiteral("[#0]"))));
        int last = first;
        for (int i = first; i < sec.size(); ++i) {
            const QChar c = sec[i];
            if (c == u'#' || c == u'0' || c == u',' || c == u'.')
                last = i;
            else
                break;
        }
        if (first < 0)
            throw std::invalid_argument("a number format section needs # or 0 digits");
        prefix = sec.left(first);
        suffix = sec.mid(last + 1);
        for (const QString& affix : {prefix, suffix}) {
            // Every brace belongs to a choice "{singular|plural}".
            QString rest = affix;
            rest.remove(QRegularExpression(QStringLiteral("\\{[^{}|]*\\|[^{}|]*\\}")));
            if (rest.contains(u'{') || rest.contains(u'}'))
                throw std::invalid_argument("a choice in a number format is written {singular|plural}");
        }
        if (!main)
            return;
        const QString core = sec.mid(first, last - first + 1);
        f.grouping = core.contains(u',');
        const int point = int(core.indexOf(u'.'));
        if (point >= 0) {
            const QString dec = core.mid(point + 1);
            if (dec.contains(u'.') || dec.contains(u','))
                throw std::invalid_argument("a number format has one decimal point, after the grouping");
            f.minDecimals = int(dec.count(u'0'));
            f.maxDecimals = int(dec.size());
            if (f.maxDecimals > Decimal::kPlaces)
                throw std::invalid_argument("a number format shows at most six decimals");
            if (dec.indexOf(u'#') >= 0 && dec.lastIndexOf(u'0') > dec.indexOf(u'#'))
                throw std::invalid_argument("optional decimals (#) must follow required ones (0)");
        }
    };
    parseSection(sections[0], f.prefix, f.suffix, true);
    if (sections.size() == 2) {
        f.hasNegativeSection = true;
        parseSection(sections[1], f.negPrefix, f.negSuffix, false);
    }
    return f;
}

} // namespace tarvik::engine
