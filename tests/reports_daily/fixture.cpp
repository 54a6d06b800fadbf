#include "fixture.h"

#include "Connection.h"
#include "ConnectionInfo.h"
#include "HospitalDb.h"
#include "Procedures.h"
#include "ReportOperations.h"
#include "Session.h"
#include "UserStore.h"
#include "frmAnimate.h"
#include "frmReportViewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QUuid>
#include <stdexcept>

namespace dailytest {

namespace {

template <typename F>
void withDatabase(const QString& folder, F&& f)
{
    const QString name = QStringLiteral("dailytest-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = tarvik::db::openDatabase(tarvik::db::ConnectionInfo::embedded(folder), name);
        f(db);
    }
    QSqlDatabase::removeDatabase(name);
}

// The definitions the dialogs open: the program's own where they exist, else this folder's
// stand-ins with the same parameter fields.
void copyReports(const QString& to)
{
    for (const QString& from : {QStringLiteral(TARVIK_DAILY_TEST_DATA), QStringLiteral(TARVIK_SOURCE_REPORTS)}) {
        const QDir dir(from);
        for (const QString& name : dir.entryList({QStringLiteral("*.rpt")}, QDir::Files)) {
            QFile::remove(to + QLatin1Char('/') + name);
            if (!QFile::copy(dir.filePath(name), to + QLatin1Char('/') + name))
                throw std::runtime_error(("cannot copy " + name).toStdString());
        }
    }
}

} // namespace

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 424242;
        options.to = kServerDate.date();
        options.months = 1;
        options.monthEnd = false;
        tarvik::hospitaldb::generateDemoData(dir.path(), options);
        made = true;
    }
    return dir.path();
}

std::unique_ptr<QTemporaryDir> emptyHospital()
{
    auto dir = std::make_unique<QTemporaryDir>();
    tarvik::hospitaldb::createDatabases(dir->path());
    return dir;
}

Session::Session(const QString& dataFolder)
{
    const auto info = tarvik::db::ConnectionInfo::embedded(dataFolder);
    const QVariantList users = queryRow(dataFolder, QStringLiteral("SELECT COUNT(*) FROM Patient_data.tbUsers WHERE UserName = 'tester'"));
    if (users.value(0).toInt() == 0) {
        tarvik::hospital::UserStore store(info);
        store.addUser(QStringLiteral("tester"), QStringLiteral("Test Accountant"), {QStringLiteral("RP")},
                      QStringLiteral("secret"));
    }
    tarvik::gCurrentUser = std::make_unique<tarvik::hospital::clsCurrentUser>();
    tarvik::gCurrentUser->setPasswordDeptCode(QStringLiteral("RP"));
    tarvik::gCurrentUser->setConnectionInfo(info);
    const QString refused = tarvik::gCurrentUser->LogIn(QStringLiteral("tester"), QStringLiteral("secret"));
    if (!refused.isEmpty())
        throw std::runtime_error(refused.toStdString());
    tarvik::gCurrentUser->SqlConnection()->setCommandTimeout(0);

    tarvik::gCompanyName = QStringLiteral("Test General Hospital");
    tarvik::gCompanyAddress = QStringLiteral("12 Test Street, Testville");
    tarvik::gServerDate = kServerDate;
    tarvik::setDepartmentCodes();
    copyReports(m_reports.path());
    tarvik::gReportPath = m_reports.path();
    tarvik::frmAnimate::setClipPath(QStringLiteral(TARVIK_PROGRESS_CLIP));

    m_exportBefore = tarvik::engine::Report::defaultExportFolder();
    tarvik::engine::Report::setDefaultExportFolder(m_export.path());

    m_frame = std::make_unique<QMdiArea>();
    m_frame->resize(1000, 760);
    m_frame->show();
    QMdiArea* area = m_frame.get();
    tarvik::setViewerHost([area] { return area; });
}

Session::~Session()
{
    tarvik::setViewerHost({});
    tarvik::gReport.reset();
    tarvik::frmAnimate::Unload();
    m_frame.reset();
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    tarvik::engine::Report::setDefaultExportFolder(m_exportBefore);
    tarvik::gCurrentUser.reset();
}

tarvik::db::Connection& Session::connection()
{
    return *tarvik::gCurrentUser->SqlConnection();
}

QStringList Session::trace() const
{
    return tarvik::gCurrentUser->SqlConnection()->trace().texts();
}

void Session::clearTrace()
{
    tarvik::gCurrentUser->SqlConnection()->trace().clear();
}

QList<tarvik::frmReportViewer*> Session::viewers() const
{
    QList<tarvik::frmReportViewer*> out;
    for (QMdiSubWindow* w : m_frame->subWindowList(QMdiArea::CreationOrder))
        if (auto* v = qobject_cast<tarvik::frmReportViewer*>(w->widget()))
            out << v;
    return out;
}

QString valueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("MM/dd/yyyy"));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default: {
        // Currency fields hold exact decimal texts ("18681.6000").
        bool number = false;
        const double d = value.toString().toDouble(&number);
        return number ? QString::number(d, 'g', 15) : value.toString();
    }
    }
}

namespace {
QStringList valuesOf(tarvik::engine::Report& report)
{
    QStringList out;
    for (auto* field : report.parameterFields())
        out << valueText(field->currentValue());
    return out;
}
} // namespace

void RecordingUi::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    tarvik::daily::interactiveUi().setBusy(busy);
}

void RecordingUi::openProgress()
{
    ++progressDepth;
    tarvik::daily::interactiveUi().openProgress();
}

void RecordingUi::closeProgress()
{
    --progressDepth;
    tarvik::daily::interactiveUi().closeProgress();
}

void RecordingUi::showReport(bool showGroupTree, const QString& caption, bool directPrint, bool modal)
{
    Shown s;
    s.caption = caption;
    s.groupTree = showGroupTree;
    s.directPrint = directPrint;
    s.modal = modal;
    s.progressShowing = tarvik::frmAnimate::instance() && tarvik::frmAnimate::instance()->isVisible();
    s.busy = busyDepth > 0;
    s.unloadsBefore = unloads;
    if (tarvik::gReport) {
        s.file = QFileInfo(tarvik::gReport->filePath()).fileName();
        for (auto* table : tarvik::gReport->tables())
            s.databases << table->location().section(QLatin1Char('.'), 0, 0);
        s.values = valuesOf(*tarvik::gReport);
        for (auto* sub : tarvik::gReport->subreports())
            s.subreports << sub->name() + QStringLiteral(": ") + valuesOf(*sub).join(QStringLiteral("; "));
    }
    shown.push_back(s);
    if (m_present)
        tarvik::daily::interactiveUi().showReport(showGroupTree, caption, directPrint, modal);
}

QVariantList queryRow(const QString& folder, const QString& sql)
{
    QVariantList out;
    withDatabase(folder, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                out << q.value(i);
    });
    return out;
}

void exec(const QString& folder, const QStringList& statements)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& sql : statements)
            if (!q.exec(sql))
                throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
    });
}

void replaceProcedure(const QString& folder, const QString& script)
{
    withDatabase(folder, [&](QSqlDatabase& db) {
        tarvik::db::installProcedures(db, QStringLiteral("Reports"),
                                      tarvik::db::parseProcedureScript(script, QStringLiteral("test")));
    });
}

ModalHandler::ModalHandler(std::function<void(QDialog*)> act, int ms)
    : m_fired(std::make_shared<bool>(false)), m_alive(std::make_shared<bool>(true))
{
    auto fired = m_fired;
    auto alive = m_alive;
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        *waited += 20;
        if (!*alive || *fired || *waited > ms) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            *fired = true;
            act(dialog);
        }
    });
    timer->start();
}

ModalHandler::~ModalHandler()
{
    *m_alive = false;
}

QString cupsPdfOutputDir()
{
    if (!qEnvironmentVariableIsEmpty("TARVIK_CUPS_PDF_OUT"))
        return qEnvironmentVariable("TARVIK_CUPS_PDF_OUT");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QStringLiteral("Out ")))
                return line.mid(4).trimmed().replace(QStringLiteral("${HOME}"), QDir::homePath())
                    .replace(QStringLiteral("${USER}"), QStringLiteral("ANONYMOUS"));
        }
    }
    return QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace dailytest
