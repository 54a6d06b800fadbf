// Takes the report-output screenshots of docs/screenshots from the program's own frame, runner
// and viewer on a demo data folder: a departmental monthly report in a modeless viewer, and a
// year-end report with its group tree in use.
//   output_screenshots DATA_FOLDER OUT_FOLDER   (run under Xvfb; logs in as demo/demo)

#include "DialogRegistry.h"
#include "ReportOperations.h"
#include "ReportRunners.h"
#include "Session.h"
#include "frmReportViewer.h"
#include "mdiReportForm.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <iostream>

using namespace tarvik;

namespace {

// What the screen shows (under Xvfb: the whole virtual screen, the frame at its top left).
QPixmap shot(QWidget& frame)
{
    QScreen* screen = frame.screen();
    QPixmap whole = screen->grabWindow(0);
    if (whole.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return frame.grab();
    return whole.copy(frame.frameGeometry());
}

void settle(int ms)
{
    QTest::qWait(ms);
}

// The newest viewer, its window filling most of the frame with its caption in sight.
frmReportViewer* activeViewer(shell::mdiReportForm& frame)
{
    QMdiSubWindow* sub = frame.mdiArea()->subWindowList().last();
    const QSize room = frame.mdiArea()->viewport()->size();
    sub->showNormal();
    sub->setGeometry(16, 12, room.width() - 32, room.height() - 24);
    return qobject_cast<frmReportViewer*>(sub->widget());
}

void waitForLayout(frmReportViewer* viewer)
{
    auto document = viewer->CRViewer1->document();
    while (!document->isComplete())
        settle(50);
    settle(300);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: output_screenshots DATA_FOLDER OUT_FOLDER\n";
        return 2;
    }
    const QString data = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    try {
        gCurrentUser = std::make_unique<hospital::clsCurrentUser>();
        gCurrentUser->setPasswordDeptCode(QString::fromLatin1(kModuleDeptCode));
        gCurrentUser->setConnectionInfo(db::ConnectionInfo::embedded(data));
        const QString refused = gCurrentUser->LogIn(QStringLiteral("demo"), QStringLiteral("demo"));
        if (!refused.isEmpty())
            throw std::runtime_error(refused.toStdString());
        gCurrentUser->SqlConnection()->setCommandTimeout(0);
        auto info = gCurrentUser->SqlConnection()->execute(
            QStringLiteral("Select *, GetDate() as CurDate From Patient_data..tbHospitalInfo"));
        gCompanyName = info->field(QStringLiteral("Company")).toString();
        gCompanyAddress = info->field(QStringLiteral("Address1")).toString();
        setDepartmentCodes();
        gReportPath = reportPathForProgram();

        shell::DialogRegistry dialogs;
        shell::mdiReportForm frame(dialogs);
        frame.resize(1400, 900);
        frame.move(0, 0);
        frame.show();
        settle(500);

        // A monthly departmental report, as the monthly clinical dialog runs it.
        PrintMonthlyReport(QStringLiteral("06/01/2025"), QStringLiteral("06/30/2025"), gDeptLaboratory,
                           QStringLiteral("Monthly Laboratory Summary Report"), false, QStringLiteral("N"));
        frmReportViewer* monthly = activeViewer(frame);
        waitForLayout(monthly);
        monthly->CRViewer1->setZoom(100);
        settle(400);
        shot(frame).save(out + QStringLiteral("/monthly-report-viewer.png"));

        // A week of the laboratory's logbook with its group tree: a day picked in the tree
        // brings the page where that day begins.
        OpenReport(gReportPath + QStringLiteral("/rptDailyReports.rpt"), QStringLiteral("Reports"),
                   {QStringLiteral("06/02/2025"), QStringLiteral("06/08/2025"), gDeptLaboratory, gCompanyAddress,
                    QStringLiteral("Daily Laboratory Examination Logbook"), QStringLiteral("06/02/2025")});
        ShowReport(true, QStringLiteral("Daily Laboratory Examination Logbook: 06/02/2025 - 06/08/2025"), false, false);
        frmReportViewer* logbook = activeViewer(frame);
        waitForLayout(logbook);
        QTreeWidget* tree = logbook->CRViewer1->groupTree();
        if (tree->topLevelItemCount() > 4) {
            QTreeWidgetItem* item = tree->topLevelItem(4);
            tree->setCurrentItem(item);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        }
        settle(400);
        shot(frame).save(out + QStringLiteral("/group-tree-in-use.png"));

        // The year-end summary of the X-ray department, twelve months side by side.
        PrintYearEndReport(QStringLiteral("01/01/2025"), QStringLiteral("12/31/2025"), gDeptXRay,
                           QStringLiteral("Year End X-Ray Summary Report"), false, QStringLiteral("N"));
        frmReportViewer* yearly = activeViewer(frame);
        waitForLayout(yearly);
        shot(frame).save(out + QStringLiteral("/year-end-report-viewer.png"));
        gReport.reset();
    } catch (const std::exception& e) {
        std::cerr << "output_screenshots: " << e.what() << "\n";
        clearSession();
        return 1;
    }
    clearSession();
    return 0;
}
