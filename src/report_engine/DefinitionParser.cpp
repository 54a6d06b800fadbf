#include "Definition.h"
#include "EngineLog.h"
#include "ReportError.h"
#include "Values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <set>

namespace tarvik::engine {

QString parameterTypeName(ParameterType type)
{
    switch (type) {
    case ParameterType::Text: return QStringLiteral("text");
    case ParameterType::Date: return QStringLiteral("date");
    case ParameterType::DateTime: return QStringLiteral("datetime");
    case ParameterType::Number: return QStringLiteral("number");
    case ParameterType::Currency: return QStringLiteral("currency");
    case ParameterType::Boolean: return QStringLiteral("boolean");
    }
    return {};
}

QSizeF Definition::pageSizePoints() const
{
    const QSizeF s = pageSize.size(QPageSize::Point);
    return orientation == QPageLayout::Landscape ? s.transposed() : s;
}

std::vector<const BandDef*> Definition::allBands() const
{
    std::vector<const BandDef*> out{&reportHeader, &pageHeader};
    for (const auto& g : groups)
        out.push_back(&g.header);
    out.push_back(&detail);
    for (auto it = groups.rbegin(); it != groups.rend(); ++it)
        out.push_back(&it->footer);
    out.push_back(&reportFooter);
    for (const auto& section : reportFooterSections)
        out.push_back(&section);
    out.push_back(&pageFooter);
    return out;
}

int Definition::parameterIndex(const QString& n) const
{
    for (size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i].name.compare(n, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Definition::tableIndex(const QString& alias) const
{
    for (size_t i = 0; i < tables.size(); ++i)
        if (tables[i].alias.compare(alias, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Definition::subreportIndex(const QString& n) const
{
    for (size_t i = 0; i < subreports.size(); ++i)
        if (subreports[i]->name.compare(n, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

namespace {

const int kFormatVersion = 1;

class Parser
{
public:
    Parser(const QByteArray& xml, const QString& file) : m_xml(xml), m_file(file)
    {
        m_baseDir = QFileInfo(file).absolutePath();
    }

    DefinitionPtr run()
    {
        if (!m_xml.readNextStartElement())
            fail(m_xml.hasError() ? m_xml.errorString() : QStringLiteral("the file is empty"));
        if (m_xml.name() != u"report")
            fail(QStringLiteral("the root element must be <report>, not <%1>").arg(m_xml.name()));
        auto def = std::make_shared<Definition>();
        def->filePath = m_file;
        def->name = QFileInfo(m_file).completeBaseName();
        const QString version = attr(u"version");
        if (version.isEmpty())
            fail(QStringLiteral("<report> needs a version attribute (version=\"%1\")").arg(kFormatVersion));
        bool ok = false;
        def->version = version.toInt(&ok);
        if (!ok || def->version < 1)
            fail(QStringLiteral("version \"%1\" is not a format version").arg(version));
        if (def->version > kFormatVersion)
            fail(QStringLiteral("format version %1 is newer than this program reads (%2)")
                     .arg(def->version)
                     .arg(kFormatVersion));
        checkAttributes({u"version", u"name"});
        if (hasAttr(u"name"))
            def->name = attr(u"name");
        readReportBody(*def, true);
        // Anything after the root element (a second root, junk) is a malformed file.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                fail(QStringLiteral("only one <report> element is allowed"));
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return def;
    }

private:
    [[noreturn]] void fail(const QString& cause, int line = -1)
    {
        throw ReportError(m_file, line >= 0 ? line : int(m_xml.lineNumber()), cause);
    }

    int line() const { return int(m_xml.lineNumber()); }

    void checkAttributes(std::initializer_list<QStringView> allowed)
    {
        for (const auto& a : m_xml.attributes()) {
            bool known = false;
            for (const auto& name : allowed)
                known = known || a.name() == name;
            if (!known)
                fail(QStringLiteral("<%1> has no attribute \"%2\"").arg(m_xml.name(), a.name()));
        }
    }

    bool hasAttr(QStringView name) const { return m_xml.attributes().hasAttribute(name.toString()); }

    QString attr(QStringView name, bool required = false)
    {
        if (required && !hasAttr(name))
            fail(QStringLiteral("<%1> needs the attribute \"%2\"").arg(m_xml.name(), name));
        return m_xml.attributes().value(name.toString()).toString();
    }

    double number(QStringView name, double fallback, bool required = false)
    {
        const QString s = attr(name, required);
        if (s.isEmpty())
            return fallback;
        bool ok = false;
        const double v = s.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            fail(QStringLiteral("\"%1\" of <%2> must be a number, not \"%3\"").arg(name, m_xml.name(), s));
        return v;
    }

    bool boolean(QStringView name, bool fallback)
    {
        const QString s = attr(name).toLower();
        if (s.isEmpty())
            return fallback;
        if (s == u"true" || s == u"yes" || s == u"1")
            return true;
        if (s == u"false" || s == u"no" || s == u"0")
            return false;
        fail(QStringLiteral("\"%1\" must be true or false, not \"%2\"").arg(name, s));
    }

    QColor color(QStringView name, const QColor& fallback)
    {
        const QString s = attr(name);
        if (s.isEmpty())
            return fallback;
        const QColor c = QColor::fromString(s);
        if (!c.isValid())
            fail(QStringLiteral("\"%1\" is not a colour (use #rrggbb or a colour name)").arg(s));
        return c;
    }

    // Text content of an element with no child elements.
    QString textContent()
    {
        const QString name = m_xml.name().toString();
        QString text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            fail(QStringLiteral("<%1> holds only text: %2").arg(name, m_xml.errorString()));
        return text;
    }

    void noChildren()
    {
        const QString name = m_xml.name().toString();
        while (m_xml.readNext() != QXmlStreamReader::EndElement) {
            if (m_xml.isStartElement())
                fail(QStringLiteral("<%1> cannot hold <%2>").arg(name, m_xml.name()));
            if (m_xml.isCharacters() && !m_xml.isWhitespace())
                fail(QStringLiteral("<%1> holds no text").arg(name));
            if (m_xml.hasError() || m_xml.atEnd())
                fail(m_xml.errorString());
        }
    }

    void readReportBody(Definition& def, bool topLevel)
    {
        std::set<QString> seen;
        struct PendingBand { QString group; BandDef band; };
        std::vector<PendingBand> groupBands;
        std::vector<std::pair<QString, int>> subreportPlacements;
        std::vector<std::shared_ptr<Definition>> linked; // subreports, to tie to our parameters
        QString queryText;
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString();
            const int at = line();
            auto once = [&] {
                if (!seen.insert(name).second)
                    fail(QStringLiteral("<%1> appears twice").arg(name));
            };
            if (name == u"page") {
                once();
                if (!topLevel)
                    fail(QStringLiteral("a subreport takes its page from the report it is placed in"));
                readPage(def);
            } else if (name == u"parameters") {
                once();
                checkAttributes({});
                readParameters(def, topLevel);
            } else if (name == u"tables") {
                once();
                checkAttributes({});
                readTables(def);
            } else if (name == u"query") {
                once();
                checkAttributes({});
                def.queryLine = at;
                queryText = textContent();
            } else if (name == u"sort") {
                once();
                checkAttributes({});
                readSort(def);
            } else if (name == u"groups") {
                once();
                checkAttributes({});
                readGroups(def);
            } else if (name == u"reportFooter" && seen.count(name)) {
                BandDef section;
                section.kind = BandKind::ReportFooter;
                readBand(section, subreportPlacements, {u"height"});
                def.reportFooterSections.push_back(std::move(section));
            } else if (name == u"reportHeader" || name == u"pageHeader" || name == u"detail" ||
                       name == u"pageFooter" || name == u"reportFooter") {
                once();
                BandDef* band = name == u"reportHeader" ? &def.reportHeader
                                : name == u"pageHeader" ? &def.pageHeader
                                : name == u"detail"     ? &def.detail
                                : name == u"pageFooter" ? &def.pageFooter
                                                        : &def.reportFooter;
                band->kind = name == u"reportHeader" ? BandKind::ReportHeader
                             : name == u"pageHeader" ? BandKind::PageHeader
                             : name == u"detail"     ? BandKind::Detail
                             : name == u"pageFooter" ? BandKind::PageFooter
                                                     : BandKind::ReportFooter;
                readBand(*band, subreportPlacements, {u"height"});
            } else if (name == u"groupHeader" || name == u"groupFooter") {
                PendingBand pb;
                pb.group = attr(u"group", true);
                pb.band.kind = name == u"groupHeader" ? BandKind::GroupHeader : BandKind::GroupFooter;
                readBand(pb.band, subreportPlacements, {u"height", u"group"});
                groupBands.push_back(std::move(pb));
            } else if (name == u"subreport") {
                if (!topLevel)
                    fail(QStringLiteral("subreports do not nest"));
                checkAttributes({u"name"});
                auto sub = std::make_shared<Definition>();
                sub->filePath = def.filePath;
                sub->name = attr(u"name", true);
                sub->queryLine = 0;
                if (def.subreportIndex(sub->name) >= 0)
                    fail(QStringLiteral("a second subreport named \"%1\"").arg(sub->name));
                readReportBody(*sub, false);
                def.subreports.push_back(sub);
                linked.push_back(sub);
            } else if (name == u"export") {
                once();
                if (!topLevel)
                    fail(QStringLiteral("export options belong to the main report"));
                checkAttributes({u"format", u"destination", u"file"});
                def.storedExport.present = true;
                def.storedExport.format = int(number(u"format", 29));
                def.storedExport.destination = int(number(u"destination", 1));
                def.storedExport.fileName = attr(u"file");
                noChildren();
            } else {
                fail(QStringLiteral("unknown element <%1>").arg(name));
            }
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());

        // Group bands, now that every group is known.
        for (auto& pb : groupBands) {
            int g = -1;
            for (size_t i = 0; i < def.groups.size(); ++i)
                if (def.groups[i].name.compare(pb.group, Qt::CaseInsensitive) == 0)
                    g = int(i);
            if (g < 0)
                fail(QStringLiteral("no group named \"%1\"").arg(pb.group), pb.band.line);
            pb.band.group = g;
            BandDef& target = pb.band.kind == BandKind::GroupHeader ? def.groups[size_t(g)].header
                                                                    : def.groups[size_t(g)].footer;
            if (target.present)
                fail(QStringLiteral("a second %1 for the group \"%2\"")
                         .arg(pb.band.kind == BandKind::GroupHeader ? "header" : "footer", pb.group),
                     pb.band.line);
            target = std::move(pb.band);
        }
        for (size_t i = 0; i < def.groups.size(); ++i) {
            def.groups[i].header.kind = BandKind::GroupHeader;
            def.groups[i].header.group = int(i);
            def.groups[i].footer.kind = BandKind::GroupFooter;
            def.groups[i].footer.group = int(i);
        }
        compileQuery(def, queryText);
        resolveElements(def);
        // Now that every parameter of the report is known.
        for (const auto& sub : linked)
            for (ParamDef& p : sub->parameters)
                if (!p.fromReport.isEmpty()) {
                    p.reportIndex = def.parameterIndex(p.fromReport);
                    if (p.reportIndex < 0)
                        fail(QStringLiteral("the report has no parameter named \"%1\"").arg(p.fromReport), p.line);
                }
    }

    void readPage(Definition& def)
    {
        checkAttributes({u"size", u"orientation", u"margins", u"width", u"height"});
        const QString size = attr(u"size");
        if (!size.isEmpty()) {
            static const std::pair<const char*, QPageSize::PageSizeId> sizes[] = {
                {"letter", QPageSize::Letter}, {"legal", QPageSize::Legal},
                {"a4", QPageSize::A4},         {"a3", QPageSize::A3},
                {"a5", QPageSize::A5},         {"executive", QPageSize::Executive},
                {"tabloid", QPageSize::Tabloid}};
            bool found = false;
            for (const auto& [n, id] : sizes)
                if (size.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) {
                    def.pageSize = QPageSize(id);
                    found = true;
                }
            if (!found)
                fail(QStringLiteral("unknown page size \"%1\" (Letter, Legal, A4, A3, A5, Executive, Tabloid)").arg(size));
        }
        if (hasAttr(u"width") || hasAttr(u"height")) {
            const double w = number(u"width", 0, true);
            const double h = number(u"height", 0, true);
            if (w < 72 || h < 72)
                fail(QStringLiteral("a page is at least 72 points (one inch) wide and high"));
            def.pageSize = QPageSize(QSizeF(w, h), QPageSize::Point, QString(), QPageSize::ExactMatch);
        }
        const QString orientation = attr(u"orientation").toLower();
        if (orientation == u"landscape")
            def.orientation = QPageLayout::Landscape;
        else if (!orientation.isEmpty() && orientation != u"portrait")
            fail(QStringLiteral("orientation is portrait or landscape, not \"%1\"").arg(orientation));
        const QString margins = attr(u"margins").simplified();
        if (!margins.isEmpty()) {
            const QStringList parts = margins.split(u' ');
            std::vector<double> v;
            for (const auto& p : parts) {
                bool ok = false;
                v.push_back(p.toDouble(&ok));
                if (!ok || v.back() < 0)
                    fail(QStringLiteral("margins are points: one number, or left top right bottom"));
            }
            if (v.size() == 1)
                def.margins = QMarginsF(v[0], v[0], v[0], v[0]);
            else if (v.size() == 4)
                def.margins = QMarginsF(v[0], v[1], v[2], v[3]);
            else
                fail(QStringLiteral("margins are points: one number, or left top right bottom"));
        }
        const QSizeF s = def.pageSizePoints();
        if (def.margins.left() + def.margins.right() >= s.width() - 36 ||
            def.margins.top() + def.margins.bottom() >= s.height() - 36)
            fail(QStringLiteral("the margins leave no room on the page"));
        noChildren();
    }

    void readParameters(Definition& def, bool topLevel)
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"parameter")
                fail(QStringLiteral("<parameters> holds <parameter> elements, not <%1>").arg(m_xml.name()));
            checkAttributes({u"name", u"type", u"prompt", u"default", u"fromReport"});
            ParamDef p;
            p.line = line();
            p.name = attr(u"name", true);
            p.fromReport = attr(u"fromReport");
            if (!p.fromReport.isEmpty() && topLevel)
                fail(QStringLiteral("fromReport belongs to a subreport's parameters"));
            if (!QRegularExpression(QStringLiteral("^[A-Za-z_][A-Za-z0-9_ ]*$")).match(p.name).hasMatch())
                fail(QStringLiteral("\"%1\" is not a parameter name (letters, digits, _ and spaces)").arg(p.name));
            if (def.parameterIndex(p.name) >= 0)
                fail(QStringLiteral("a second parameter named \"%1\"").arg(p.name));
            const QString type = attr(u"type").toLower();
            if (type.isEmpty() || type == u"text") p.type = ParameterType::Text;
            else if (type == u"date") p.type = ParameterType::Date;
            else if (type == u"datetime") p.type = ParameterType::DateTime;
            else if (type == u"number") p.type = ParameterType::Number;
            else if (type == u"currency") p.type = ParameterType::Currency;
            else if (type == u"boolean") p.type = ParameterType::Boolean;
            else
                fail(QStringLiteral("unknown parameter type \"%1\" (text, date, datetime, number, currency, boolean)").arg(type));
            p.prompt = attr(u"prompt");
            if (hasAttr(u"default")) {
                const QString d = attr(u"default");
                p.defaultValue = convertParameterValue(p.type, d);
                if (!p.defaultValue.isValid())
                    fail(QStringLiteral("the default \"%1\" of parameter \"%2\" is not a %3 value")
                             .arg(d, p.name, parameterTypeName(p.type)));
            }
            def.parameters.push_back(p);
            noChildren();
        }
    }

    void readTables(Definition& def)
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"table")
                fail(QStringLiteral("<tables> holds <table> elements, not <%1>").arg(m_xml.name()));
            checkAttributes({u"alias", u"location"});
            TableDef t;
            t.line = line();
            t.alias = attr(u"alias", true);
            t.location = attr(u"location", true);
            if (!QRegularExpression(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$")).match(t.alias).hasMatch())
                fail(QStringLiteral("\"%1\" is not a table alias (letters, digits and _)").arg(t.alias));
            if (def.tableIndex(t.alias) >= 0)
                fail(QStringLiteral("a second table with the alias \"%1\"").arg(t.alias));
            if (!t.location.contains(u'.'))
                fail(QStringLiteral("the location \"%1\" is not database.owner.table").arg(t.location));
            def.tables.push_back(t);
            noChildren();
        }
    }

    void readSort(Definition& def)
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"by")
                fail(QStringLiteral("<sort> holds <by> elements, not <%1>").arg(m_xml.name()));
            checkAttributes({u"column", u"order"});
            SortDef s;
            s.line = line();
            s.column = attr(u"column", true);
            const QString order = attr(u"order").toLower();
            if (order == u"descending")
                s.descending = true;
            else if (!order.isEmpty() && order != u"ascending")
                fail(QStringLiteral("order is ascending or descending, not \"%1\"").arg(order));
            def.sort.push_back(s);
            noChildren();
        }
    }

    void readGroups(Definition& def)
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"group")
                fail(QStringLiteral("<groups> holds <group> elements, not <%1>").arg(m_xml.name()));
            checkAttributes({u"name", u"column", u"tree", u"keepWithNext", u"newPage", u"format"});
            GroupDef g;
            g.line = line();
            g.column = attr(u"column", true);
            g.name = hasAttr(u"name") ? attr(u"name") : g.column;
            for (const auto& other : def.groups)
                if (other.name.compare(g.name, Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("a second group named \"%1\"").arg(g.name));
            g.inTree = boolean(u"tree", true);
            g.keepWithNext = boolean(u"keepWithNext", true);
            g.newPageBefore = boolean(u"newPage", false);
            g.format = formatAttr();
            def.groups.push_back(g);
            noChildren();
        }
    }

    ValueFormat formatAttr()
    {
        const QString f = attr(u"format");
        try {
            return parseValueFormat(f);
        } catch (const std::invalid_argument& e) {
            fail(QStringLiteral("format \"%1\": %2").arg(f, QString::fromUtf8(e.what())));
        }
    }

    FontSpec fontAttr()
    {
        FontSpec f;
        const QString s = attr(u"font").simplified();
        if (s.isEmpty())
            return f;
        // "Times New Roman 10 bold italic": the family, then the size, then styles.
        const QStringList words = s.split(u' ');
        int sizeAt = -1;
        for (int i = 0; i < words.size(); ++i) {
            bool ok = false;
            words[i].toDouble(&ok);
            if (ok) {
                sizeAt = i;
                break;
            }
        }
        if (sizeAt <= 0)
            fail(QStringLiteral("font \"%1\" is \"Family size [bold] [italic] [underline]\"").arg(s));
        f.family = words.mid(0, sizeAt).join(u' ');
        f.size = words[sizeAt].toDouble();
        if (f.size < 2 || f.size > 200)
            fail(QStringLiteral("font size %1 is out of range (2 to 200 points)").arg(f.size));
        for (int i = sizeAt + 1; i < words.size(); ++i) {
            const QString w = words[i].toLower();
            if (w == u"bold") f.bold = true;
            else if (w == u"italic") f.italic = true;
            else if (w == u"underline") f.underline = true;
            else
                fail(QStringLiteral("unknown font style \"%1\" (bold, italic, underline)").arg(words[i]));
        }
        return f;
    }

    void readBand(BandDef& band, std::vector<std::pair<QString, int>>& placements,
                  std::initializer_list<QStringView> allowed)
    {
        checkAttributes(allowed);
        band.present = true;
        band.line = line();
        band.height = number(u"height", 0);
        if (band.height < 0 || band.height > 2000)
            fail(QStringLiteral("band height %1 is out of range").arg(band.height));
        while (m_xml.readNextStartElement()) {
            ElementDef e;
            e.line = line();
            const QString name = m_xml.name().toString();
            static const std::initializer_list<QStringView> common = {
                u"x", u"y", u"width", u"height", u"font", u"align", u"color", u"wrap",
                u"suppressIfEmpty", u"format"};
            auto allow = [&](std::initializer_list<QStringView> extra) {
                for (const auto& a : m_xml.attributes()) {
                    bool ok = false;
                    for (const auto& n : common) ok = ok || a.name() == n;
                    for (const auto& n : extra) ok = ok || a.name() == n;
                    if (!ok)
                        fail(QStringLiteral("<%1> has no attribute \"%2\"").arg(name, a.name()));
                }
            };
            if (name == u"text") { e.kind = ElementKind::Text; allow({}); }
            else if (name == u"field") { e.kind = ElementKind::Field; allow({u"column", u"caption", u"orParameter"}); }
            else if (name == u"parameter") { e.kind = ElementKind::Parameter; allow({u"name"}); }
            else if (name == u"special") { e.kind = ElementKind::Special; allow({u"kind", u"text"}); }
            else if (name == u"summary") { e.kind = ElementKind::Summary; allow({u"function", u"column", u"scope", u"group", u"caption"}); }
            else if (name == u"line") { e.kind = ElementKind::Line; allow({u"lineWidth"}); }
            else if (name == u"box") { e.kind = ElementKind::Box; allow({u"lineWidth", u"fill"}); }
            else if (name == u"image") { e.kind = ElementKind::Image; allow({u"file"}); }
            else if (name == u"subreport") { e.kind = ElementKind::Subreport; allow({u"name"}); }
            else if (name == u"chart") {
                e.kind = ElementKind::Chart;
                allow({u"type", u"category", u"series", u"source", u"group", u"title", u"categoryAxis",
                       u"valueAxis", u"categoryCaption", u"legend", u"valueLabels", u"direction"});
            }
            else
                fail(QStringLiteral("unknown element <%1> in a band").arg(name));

            const double x = number(u"x", 0), y = number(u"y", 0);
            const double w = number(u"width", 0), h = number(u"height", 0);
            if (x < 0 || y < 0 || w < 0 || (h < 0 && e.kind != ElementKind::Line))
                fail(QStringLiteral("<%1> has a negative position or size").arg(name));
            e.rect = QRectF(x, y, w, h);
            e.font = fontAttr();
            const QString align = attr(u"align").toLower();
            if (align == u"center") e.align = Align::Center;
            else if (align == u"right") e.align = Align::Right;
            else if (!align.isEmpty() && align != u"left")
                fail(QStringLiteral("align is left, center or right, not \"%1\"").arg(align));
            e.color = color(u"color", Qt::black);
            e.wrap = boolean(u"wrap", false);
            e.suppressIfEmpty = boolean(u"suppressIfEmpty", false);
            e.format = formatAttr();
            const bool textual = e.kind == ElementKind::Text || e.kind == ElementKind::Field ||
                                 e.kind == ElementKind::Parameter || e.kind == ElementKind::Special ||
                                 e.kind == ElementKind::Summary;
            if (textual && e.rect.height() <= 0)
                e.rect.setHeight(e.font.size * 1.25);
            if (textual && e.rect.width() <= 0)
                fail(QStringLiteral("<%1> needs a width").arg(name));

            switch (e.kind) {
            case ElementKind::Text:
                e.text = textContent();
                break;
            case ElementKind::Field:
                e.column = attr(u"column", true);
                e.caption = hasAttr(u"caption") ? attr(u"caption") : e.column;
                e.name = attr(u"orParameter");
                noChildren();
                break;
            case ElementKind::Parameter:
                e.name = attr(u"name", true);
                noChildren();
                break;
            case ElementKind::Special: {
                const QString kind = attr(u"kind", true);
                static const std::pair<const char*, SpecialKind> kinds[] = {
                    {"pageNumber", SpecialKind::PageNumber}, {"pageCount", SpecialKind::PageCount},
                    {"pageNofM", SpecialKind::PageNofM},     {"printDate", SpecialKind::PrintDate},
                    {"printTime", SpecialKind::PrintTime},   {"printDateTime", SpecialKind::PrintDateTime},
                    {"reportTitle", SpecialKind::ReportTitle}};
                bool found = false;
                for (const auto& [n, k] : kinds)
                    if (kind == QLatin1String(n)) {
                        e.special = k;
                        found = true;
                    }
                if (!found)
                    fail(QStringLiteral("unknown special \"%1\" (pageNumber, pageCount, pageNofM, printDate, printTime, printDateTime, reportTitle)").arg(kind));
                e.text = attr(u"text");
                if (e.text.isEmpty() && e.special == SpecialKind::PageNofM)
                    e.text = QStringLiteral("Page {page} of {pages}");
                noChildren();
                break;
            }
            case ElementKind::Summary: {
                const QString fn = attr(u"function", true).toLower();
                if (fn == u"sum") e.function = SummaryFunction::Sum;
                else if (fn == u"count") e.function = SummaryFunction::Count;
                else if (fn == u"average") e.function = SummaryFunction::Average;
                else if (fn == u"min") e.function = SummaryFunction::Min;
                else if (fn == u"max") e.function = SummaryFunction::Max;
                else if (fn == u"runningtotal") e.function = SummaryFunction::RunningTotal;
                else
                    fail(QStringLiteral("unknown summary function \"%1\" (sum, count, average, min, max or runningTotal)").arg(fn));
                e.column = attr(u"column", e.function != SummaryFunction::Count);
                e.caption = hasAttr(u"caption") ? attr(u"caption") : e.column;
                const QString scope = attr(u"scope").toLower();
                if (scope == u"report") {
                    e.summaryGroup = -1;
                    e.name.clear();
                } else if (scope == u"group" || scope.isEmpty()) {
                    // The band's own group unless named; resolved once the groups are known.
                    e.name = hasAttr(u"group") ? attr(u"group") : QString();
                    e.summaryGroup = scope.isEmpty() && !hasAttr(u"group") ? -2 : -3;
                } else {
                    fail(QStringLiteral("scope is report or group, not \"%1\"").arg(scope));
                }
                noChildren();
                break;
            }
            case ElementKind::Line:
                e.lineWidth = number(u"lineWidth", 0.5);
                noChildren();
                break;
            case ElementKind::Box:
                e.lineWidth = number(u"lineWidth", 0.5);
                e.fill = color(u"fill", QColor());
                noChildren();
                break;
            case ElementKind::Image: {
                const QString file = attr(u"file", true);
                e.imagePath = QDir(m_baseDir).absoluteFilePath(file);
                if (!QFileInfo::exists(e.imagePath))
                    fail(QStringLiteral("image file \"%1\" does not exist").arg(e.imagePath));
                noChildren();
                break;
            }
            case ElementKind::Subreport:
                e.name = attr(u"name", true);
                placements.emplace_back(e.name, e.line);
                noChildren();
                break;
            case ElementKind::Chart:
                // Charts draw their texts in a smaller type unless told otherwise.
                if (!hasAttr(u"font"))
                    e.font.size = 7;
                e.chart = readChart(e);
                break;
            }
            band.elements.push_back(std::move(e));
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
    }

    std::shared_ptr<const ChartDef> readChart(const ElementDef& e)
    {
        auto c = std::make_shared<ChartDef>();
        const QString type = attr(u"type", true);
        if (type == u"bar") c->type = ChartType::Bar;
        else if (type == u"stackedBar") c->type = ChartType::StackedBar;
        else if (type == u"line") c->type = ChartType::Line;
        else if (type == u"pie") c->type = ChartType::Pie;
        else
            fail(QStringLiteral("unknown chart type \"%1\" (bar, stackedBar, line or pie)").arg(type));
        if (e.rect.width() < 72 || e.rect.height() < 48)
            fail(QStringLiteral("a chart needs at least 72 points of width and 48 of height"));
        c->category = attr(u"category");
        c->series = attr(u"series");
        const QString source = attr(u"source").toLower();
        if (source == u"group") {
            c->groupName = attr(u"group");
            if (c->groupName.isEmpty())
                fail(QStringLiteral("source=\"group\" needs group=\"...\", the group whose totals are charted"));
        } else if (!source.isEmpty() && source != u"rows") {
            fail(QStringLiteral("source is rows or group, not \"%1\"").arg(source));
        } else if (hasAttr(u"group")) {
            fail(QStringLiteral("group=\"...\" goes with source=\"group\""));
        }
        c->title = attr(u"title");
        c->categoryAxis = attr(u"categoryAxis");
        c->valueAxis = attr(u"valueAxis");
        c->categoryCaption = attr(u"categoryCaption");
        const QString legend = attr(u"legend").toLower();
        if (legend == u"bottom") c->legend = LegendPlace::Bottom;
        else if (legend == u"none") c->legend = LegendPlace::None;
        else if (!legend.isEmpty() && legend != u"right")
            fail(QStringLiteral("legend is right, bottom or none, not \"%1\"").arg(legend));
        c->valueLabels = boolean(u"valueLabels", false);
        const QString direction = attr(u"direction").toLower();
        if (direction == u"horizontal") c->horizontal = true;
        else if (!direction.isEmpty() && direction != u"vertical")
            fail(QStringLiteral("direction is vertical or horizontal, not \"%1\"").arg(direction));
        if (c->horizontal && c->type != ChartType::Bar && c->type != ChartType::StackedBar)
            fail(QStringLiteral("only bar charts run horizontally"));

        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"value")
                fail(QStringLiteral("<chart> holds <value> elements, not <%1>").arg(m_xml.name()));
            checkAttributes({u"column", u"label"});
            ChartValueDef v;
            v.line = line();
            v.column = attr(u"column", true);
            v.label = hasAttr(u"label") ? attr(u"label") : v.column;
            c->values.push_back(v);
            noChildren();
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        if (c->values.empty())
            fail(QStringLiteral("a chart needs at least one <value column=\"...\"/>"), e.line);
        if (c->type == ChartType::Pie) {
            const bool categorised = !c->category.isEmpty() || !c->groupName.isEmpty();
            if (!c->series.isEmpty() || (categorised && c->values.size() > 1))
                fail(QStringLiteral("a pie shows one series: one value per category, or the values as its slices"),
                     e.line);
        }
        return c;
    }

    void compileQuery(Definition& def, const QString& text)
    {
        def.query.clear();
        if (text.trimmed().isEmpty()) {
            if (def.queryLine > 0)
                fail(QStringLiteral("the query is empty"), def.queryLine);
            return;
        }
        static const QRegularExpression token(QStringLiteral("\\{([?]?)([^{}]*)\\}"));
        qsizetype pos = 0;
        auto it = token.globalMatch(text);
        while (it.hasNext()) {
            const auto m = it.next();
            const int at = def.queryLine + int(text.left(m.capturedStart()).count(u'\n'));
            if (m.capturedStart() > pos)
                def.query.push_back({QueryPart::Kind::Sql, text.mid(pos, m.capturedStart() - pos), -1});
            const QString name = m.captured(2).trimmed();
            if (m.captured(1) == u"?") {
                const int p = def.parameterIndex(name);
                if (p < 0)
                    fail(QStringLiteral("the query names the parameter {?%1}, which is not declared").arg(name), at);
                def.query.push_back({QueryPart::Kind::Parameter, {}, p});
            } else {
                const int t = def.tableIndex(name);
                if (t < 0)
                    fail(QStringLiteral("the query names the table {%1}, which is not declared").arg(name), at);
                def.query.push_back({QueryPart::Kind::Table, {}, t});
            }
            pos = m.capturedEnd();
        }
        if (pos < text.size())
            def.query.push_back({QueryPart::Kind::Sql, text.mid(pos), -1});
        // Braces that did not make a reference are almost always a typing error.
        for (const auto& part : def.query)
            if (part.kind == QueryPart::Kind::Sql && (part.sql.contains(u'{') || part.sql.contains(u'}')))
                fail(QStringLiteral("an unmatched brace in the query"), def.queryLine);
    }

    int accumulatorFor(Definition& def, const QString& column, int group)
    {
        for (size_t i = 0; i < def.accumulators.size(); ++i)
            if (def.accumulators[i].group == group &&
                def.accumulators[i].column.compare(column, Qt::CaseInsensitive) == 0)
                return int(i);
        def.accumulators.push_back({column, -1, group});
        return int(def.accumulators.size() - 1);
    }

    void resolveElements(Definition& def)
    {
        const bool hasData = !def.query.empty();
        auto resolveBand = [&](BandDef& band) {
            for (auto& e : band.elements) {
                switch (e.kind) {
                case ElementKind::Field:
                    if (!hasData)
                        fail(QStringLiteral("the field \"%1\" needs a <query>").arg(e.column), e.line);
                    if (!e.name.isEmpty()) {
                        e.parameterIndex = def.parameterIndex(e.name);
                        if (e.parameterIndex < 0)
                            fail(QStringLiteral("no parameter named \"%1\"").arg(e.name), e.line);
                    }
                    break;
                case ElementKind::Parameter:
                    e.parameterIndex = def.parameterIndex(e.name);
                    if (e.parameterIndex < 0)
                        fail(QStringLiteral("no parameter named \"%1\"").arg(e.name), e.line);
                    break;
                case ElementKind::Summary: {
                    if (!hasData)
                        fail(QStringLiteral("a summary needs a <query>"), e.line);
                    if (band.kind == BandKind::ReportHeader || band.kind == BandKind::GroupHeader)
                        fail(QStringLiteral("a summary is known only after its rows: place it in a footer or the detail"), e.line);
                    if (e.summaryGroup == -2) // no scope given: the band's group, else the report
                        e.summaryGroup = band.kind == BandKind::GroupFooter ? band.group : -1;
                    else if (e.summaryGroup == -3) {
                        if (e.name.isEmpty()) {
                            if (band.kind != BandKind::GroupFooter && band.kind != BandKind::Detail)
                                fail(QStringLiteral("scope=\"group\" outside a group band needs group=\"...\""), e.line);
                            e.summaryGroup = band.group;
                            if (band.kind == BandKind::Detail) {
                                if (def.groups.empty())
                                    fail(QStringLiteral("the report has no groups"), e.line);
                                e.summaryGroup = int(def.groups.size()) - 1;
                            }
                        } else {
                            e.summaryGroup = -1;
                            for (size_t i = 0; i < def.groups.size(); ++i)
                                if (def.groups[i].name.compare(e.name, Qt::CaseInsensitive) == 0)
                                    e.summaryGroup = int(i);
                            if (e.summaryGroup < 0)
                                fail(QStringLiteral("no group named \"%1\"").arg(e.name), e.line);
                        }
                    }
                    if (band.kind == BandKind::GroupFooter && e.summaryGroup > band.group)
                        fail(QStringLiteral("the footer of \"%1\" cannot show a summary of the inner group \"%2\"")
                                 .arg(def.groups[size_t(band.group)].name, def.groups[size_t(e.summaryGroup)].name),
                             e.line);
                    if (band.kind == BandKind::ReportFooter && e.summaryGroup >= 0)
                        fail(QStringLiteral("the report footer shows report summaries only"), e.line);
                    e.accumulator = accumulatorFor(def, e.column, e.summaryGroup);
                    break;
                }
                case ElementKind::Chart: {
                    if (!hasData)
                        fail(QStringLiteral("a chart needs a <query>"), e.line);
                    auto chart = std::make_shared<ChartDef>(*e.chart);
                    switch (band.kind) {
                    case BandKind::Detail:
                        chart->scope = ChartScope::Row;
                        break;
                    case BandKind::GroupHeader:
                    case BandKind::GroupFooter:
                        chart->scope = ChartScope::Group;
                        chart->scopeGroup = band.group;
                        break;
                    case BandKind::ReportHeader:
                    case BandKind::PageHeader:
                    case BandKind::PageFooter:
                    case BandKind::ReportFooter:
                        chart->scope = ChartScope::Report;
                        break;
                    }
                    if (!chart->groupName.isEmpty()) {
                        for (size_t i = 0; i < def.groups.size(); ++i)
                            if (def.groups[i].name.compare(chart->groupName, Qt::CaseInsensitive) == 0)
                                chart->pointGroup = int(i);
                        if (chart->pointGroup < 0)
                            fail(QStringLiteral("no group named \"%1\"").arg(chart->groupName), e.line);
                        if (chart->scope == ChartScope::Row)
                            fail(QStringLiteral("a chart in the detail shows its row; it cannot chart group totals"),
                                 e.line);
                        if (chart->scope == ChartScope::Group && chart->pointGroup <= chart->scopeGroup)
                            fail(QStringLiteral("a chart in a band of \"%1\" charts the totals of an inner group, not of \"%2\"")
                                     .arg(def.groups[size_t(chart->scopeGroup)].name, chart->groupName),
                                 e.line);
                    }
                    e.chart = chart;
                    break;
                }
                case ElementKind::Subreport:
                    e.subreportIndex = def.subreportIndex(e.name);
                    if (e.subreportIndex < 0)
                        fail(QStringLiteral("no subreport named \"%1\"").arg(e.name), e.line);
                    break;
                case ElementKind::Text:
                case ElementKind::Special:
                case ElementKind::Line:
                case ElementKind::Box:
                case ElementKind::Image:
                    break;
                }
            }
        };
        resolveBand(def.reportHeader);
        resolveBand(def.pageHeader);
        resolveBand(def.detail);
        resolveBand(def.pageFooter);
        resolveBand(def.reportFooter);
        for (auto& section : def.reportFooterSections)
            resolveBand(section);
        for (auto& g : def.groups) {
            resolveBand(g.header);
            resolveBand(g.footer);
        }
        if (!hasData && !def.groups.empty())
            fail(QStringLiteral("groups need a <query>"), def.groups.front().line);
        if (!hasData && !def.sort.empty())
            fail(QStringLiteral("sorting needs a <query>"), def.sort.front().line);
    }

    QXmlStreamReader m_xml;
    QString m_file;
    QString m_baseDir;
};

} // namespace

DefinitionPtr parseDefinition(const QByteArray& xml, const QString& file)
{
    Parser parser(xml, file);
    return parser.run();
}

DefinitionPtr parseDefinitionFile(const QString& path)
{
    QFile f(path);
    if (!f.exists())
        throw ReportError(QStringLiteral("The report file \"%1\" does not exist.").arg(path));
    if (!f.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("The report file \"%1\" cannot be read: %2").arg(path, f.errorString()));
    return parseDefinition(f.readAll(), QFileInfo(path).absoluteFilePath());
}

} // namespace tarvik::engine
