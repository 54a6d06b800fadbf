#include "fixture.h"

#include "Connection.h"
#include "HospitalDb.h"
#include "Procedures.h"
#include "ReportOperations.h"
#include "Session.h"
#include "TestSession.h"
#include "frmAnimate.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <stdexcept>

namespace misctest {

QString demoFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        if (!dir.isValid())
            throw std::runtime_error("no temporary folder");
        tarvik::hospitaldb::GeneratorOptions options;
        options.scale = 0.05;
        options.seed = 1414;
        options.to = kServerDate.date();
        options.months = 3;
        options.monthEnd = false; // the reports' recomputes must build every month they show
        tarvik::hospitaldb::generateDemoData(dir.path(), options);
        made = true;
    }
    return dir.path();
}

Session::Session(const QString& dataFolder)
{
    tarvik::testsupport::logInTester(dataFolder);
    tarvik::gServerDate = kServerDate;
    tarvik::setDepartmentCodes();
    tarvik::gReportPath = QStringLiteral(TARVIK_SOURCE_REPORTS);
    tarvik::frmAnimate::setClipPath(QStringLiteral(TARVIK_PROGRESS_CLIP));
    m_frame = std::make_unique<QMdiArea>();
    m_frame->resize(1000, 760);
    m_frame->show();
    QMdiArea* area = m_frame.get();
    tarvik::setViewerHost([area] { return area; });
}

Session::~Session()
{
    tarvik::setViewerHost({});
    tarvik::testsupport::closeReportWindows();
    m_frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    tarvik::gCurrentUser.reset();
}

QStringList Session::trace() const
{
    return tarvik::gCurrentUser->SqlConnection()->trace().texts();
}

void Session::clearTrace()
{
    tarvik::gCurrentUser->SqlConnection()->trace().clear();
}

PresentedReport presentedReport()
{
    PresentedReport shown;
    if (!tarvik::gReport)
        return shown;
    shown.file = QFileInfo(tarvik::gReport->filePath()).fileName();
    for (auto* field : tarvik::gReport->parameterFields()) {
        const QVariant v = field->currentValue();
        shown.values << (v.typeId() == QMetaType::QDate ? v.toDate().toString(QStringLiteral("MM/dd/yyyy")) : v.toString());
    }
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    tarvik::engine::writePdf(tarvik::gReport, pdf);
    shown.text = tarvik::testsupport::pdfText(pdf);
    return shown;
}

void replaceProcedure(const QString& folder, const QString& script)
{
    tarvik::testsupport::withDatabase(folder, [&](QSqlDatabase& db) {
        tarvik::db::installProcedures(db, QStringLiteral("Reports"),
                                      tarvik::db::parseProcedureScript(script, QStringLiteral("test")));
    });
}

} // namespace misctest
