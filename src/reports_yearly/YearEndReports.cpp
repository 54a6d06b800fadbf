#include "YearEndReports.h"

#include "Session.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcYearly, "tarvik.yearly")

namespace tarvik::yearly {

namespace {

using runs::RowKind;

// A department's year summary through the year-end runner, under the hourglass; the runner
// shows the progress window itself.
ReportSpec yearSummary(const QString* sessionCode, const char* literalCode, const char* title, const char* flag)
{
    ReportSpec desc;
    desc.kind = RowKind::YearEndSummary;
    desc.dept.session = sessionCode;
    desc.dept.literal = literalCode;
    desc.title = title;
    desc.flag = flag;
    desc.hourglass = true;
    return desc;
}

ReportSpec department(const QString* code, const char* title, const char* flag)
{
    return yearSummary(code, nullptr, title, flag);
}

// "OR" and "DR" are written by the dialogs themselves: no session value holds them.
ReportSpec literalDepartment(const char* code, const char* title, const char* flag)
{
    return yearSummary(nullptr, code, title, flag);
}

bool runRow(const YearReportRow* row, const QDate& picked, RunUi& ui)
{
    if (!row)
        return false;
    qCInfo(lcYearly) << "year report" << row->report.title << "for" << yearText(picked);
    runs::produceRow(row->report, yearRunValues(picked), false, ui);
    return true;
}

} // namespace

// ---- Tables ----------------------------------------------------------------------------------

const std::vector<BatchRow>& yearEndRows()
{
    // Every box sends the flag "N", the apparatus report too.
    static const std::vector<BatchRow> rows{
        {0, "Year End Laboratory Report", department(&gDeptLaboratory, "Year End Laboratory Summary Report", "N")},
        {1, "Year End X-Ray Report", department(&gDeptXRay, "Year End X-Ray Summary Report", "N")},
        {2, "Year End Ultrasound Report", department(&gDeptUltrasound, "Year End Ultrasound Summary Report", "N")},
        {3, "Year End Operating Room Report", literalDepartment("OR", "Year End Operating Room Summary Report", "N")},
        {4, "Year End Physical Therapy Report",
         department(&gDeptPhysicalTherapy, "Year End Physical Therapy Summary Report", "N")},
        {5, "Year End RTS Report", department(&gDeptRTS, "Year End RTS Summary Report", "N")},
        {6, "Year End Apparatus Report", department(&gDeptApparatus, "Year End Apparatus Report", "N")},
        {7, "Year End CT-Scan Report", department(&gDeptCTScan, "Year End CT Scan Summary Report", "N")},
        {8, "Year End Delivery Room", literalDepartment("DR", "Year End Delivery Summary Report", "N")},
    };
    return rows;
}

const std::vector<YearReportRow>& yearClinicalRows()
{
    static const std::vector<YearReportRow> rows{
        {"0", department(&gDeptLaboratory, "Year End Laboratory Summary Report", "N")},
        {"1", department(&gDeptXRay, "Year End X-Ray Summary Report", "N")},
        {"2", department(&gDeptUltrasound, "Year End Ultrasound Summary Report", "N")},
        {"3", literalDepartment("OR", "Year End Operating Room Summary Report", "N")},
        {"4", department(&gDeptPhysicalTherapy, "Year End Physical Therapy Summary Report", "N")},
        {"5", department(&gDeptRTS, "Year End RTS Summary Report", "N")},
        {"6", department(&gDeptCTScan, "Year End CT Scan Summary Report", "N")},
        {"7", literalDepartment("DR", "Year End Delivery Summary Report", "N")},
    };
    return rows;
}

const std::vector<YearReportRow>& yearOthersRows()
{
    // The apparatus report asks for the billed lines ("Y") from this dialog.
    static const std::vector<YearReportRow> rows{
        {"0", department(&gDeptApparatus, "Year End Apparatus Report", "Y")},
    };
    return rows;
}

const YearReportRow* yearClinicalRow(const QString& reportType)
{
    return runs::rowOfType(yearClinicalRows(), reportType);
}

const YearReportRow* yearOthersRow(const QString& reportType)
{
    return runs::rowOfType(yearOthersRows(), reportType);
}

runs::RunValues yearRunValues(const QDate& picked)
{
    return runs::RunValues::month(picked);
}

// ---- Runs ----------------------------------------------------------------------------------

BatchResult runYearEnd(const YearEndInput& in, RunUi& ui)
{
    qCInfo(lcYearly) << "year-end batch for" << yearText(in.picked);
    return runs::runBatch(
        yearEndRows(), [&in](int box) { return box >= 0 && box < kYearEndBoxes && in.ticked[size_t(box)]; },
        yearRunValues(in.picked), in.directPrint, ui);
}

bool runYearClinical(const YearReportInput& in, RunUi& ui)
{
    return runRow(yearClinicalRow(in.reportType), in.picked, ui);
}

bool runYearOthers(const YearReportInput& in, RunUi& ui)
{
    return runRow(yearOthersRow(in.reportType), in.picked, ui);
}

} // namespace tarvik::yearly
