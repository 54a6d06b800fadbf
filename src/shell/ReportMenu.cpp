#include "ReportMenu.h"

#include <array>
#include <vector>

namespace tarvik::shell {

namespace {

constexpr std::array<ReportCategory, 8> kCategories{{
    {"End of Day (Others)", 1},
    {"End of Day (Clinical Area)", 10},
    {"End of Month (Others)", 14},
    {"End of Month (Clinical Area)", 22},
    {"By Period", 31},
    {"End of the &Year Reports (Others)", 32},
    {"End of the &Year Reports (Clinical Area)", 33},
    {"Maintenance", 41},
}};

// Captions are shown exactly as written, including the double blanks before "Report".
constexpr std::array<ReportItem, 39> kItems{{
    {0, 0, "Daily Summary Of Discharges", "frmReportDateOthers", "0"},
    {0, 1, "Daily Income Report", "frmReportDateOthers", "1"},
    {0, 2, "Daily Summary Of Services", "frmReportDateOthers", "2"},
    {0, 3, "Admission Logbook", "frmReportDateOthers", "3"},
    {0, 4, "OPD Registration Logbook", "frmReportDateOthers", "4"},
    {0, 5, "Daily Transactions Audit Trail", "frmAuditTrail", nullptr},
    {0, 6, "Adjustments Report", "frmReportPeriod", "6"},
    {0, 7, "Payment Summary Report", "frmReportDateOthers", "7"},
    {1, 0, "Laboratory Examination Logbook", "frmReportDateClinical", "0"},
    {1, 1, "X-Ray Examination Logbook", "frmReportDateClinical", "1"},
    {1, 2, "Ultrasound Examination Logbook", "frmReportDateClinical", "2"},
    {1, 3, "CT Scan Examination Logbook", "frmReportDateClinical", "3"},
    {2, 0, "Patient's Account Status Report", "frmAccountStatusReport", nullptr},
    {2, 1, "Aging Analysis - Detail Report", "frmAging", "1"},
    {2, 2, "Aging Analysis - Summary", "frmAging", "2"},
    {2, 3, "Payable Aging Analysis - Detail", "frmReportPeriod", "3"},
    {2, 4, "Payable Aging Analysis - Summary", "frmReportPeriod", "4"},
    {2, 5, "Monthly Summary of Audit Trail", "frmAuditTrailMonthly", nullptr},
    {2, 6, "Monthly Miscellaneous Report", "frmReportMonthMiscellaneous", "M"},
    {3, 0, "Monthly Laboratory Report", "frmReportMonth", "0"},
    {3, 1, "Monthly XRay Report", "frmReportMonth", "1"},
    {3, 2, "Monthly Ultrasound Report", "frmReportMonth", "2"},
    {3, 3, "Monthly Operating Room Report", "frmReportMonth", "3"},
    {3, 4, "Monthly Physical Therapy Report", "frmReportMonth", "4"},
    {3, 5, "Monthly RTS Report", "frmReportMonth", "5"},
    {3, 6, "Monthly CT Scan Report", "frmReportMonth", "6"},
    {3, 7, "Monthly Delivery Room Report", "frmReportMonth", "7"},
    {4, 0, "List of Admissions", "frmReportPeriodOthers", "0"},
    {5, 0, "Year End Apparatus Report", "frmReportYearOthers", "0"},
    {5, 1, "Year End Miscellaneous Report", "frmReportMonthMiscellaneous", "Y"},
    {6, 0, "Year End Laboratory Report", "frmReportYearClinical", "0"},
    {6, 1, "Year End X Ray  Report", "frmReportYearClinical", "1"},
    {6, 2, "Year End Ultrasound Report", "frmReportYearClinical", "2"},
    {6, 3, "Year End Operating Room  Report", "frmReportYearClinical", "3"},
    {6, 4, "Year End Physical Therapy Report", "frmReportYearClinical", "4"},
    {6, 5, "Year End RTS  Report", "frmReportYearClinical", "5"},
    {6, 6, "Year End CT Scan  Report", "frmReportYearClinical", "6"},
    {6, 7, "Year End Delivery Room  Report", "frmReportYearClinical", "7"},
    {7, 0, "Miscellaneous Reports", "frmMiscellaneous", nullptr},
}};

// ImageListBig, numbered from 1. Numbers no item uses keep a neutral picture.
constexpr std::array<const char*, kBigPictureCount + 1> kBigPictures{{
    "document-open",                      // 0: not used
    "system-log-out",                     // 1 discharges
    "accessories-calculator",             // 2 income
    "emblem-documents",                   // 3 services
    "contact-new",                        // 4 admissions
    "address-book-new",                   // 5 OPD registration
    "edit-find",                          // 6 audit trail
    "accessories-text-editor",            // 7 adjustments
    "emblem-default",                     // 8 payments
    "document-open",                      // 9
    "applications-science",               // 10 laboratory
    "camera-photo",                       // 11 x-ray
    "audio-volume-high",                  // 12 ultrasound
    "preferences-desktop-display",        // 13 CT scan
    "user-info",                          // 14 account status
    "appointment-missed",                 // 15 aging detail
    "appointment-soon",                   // 16 aging summary
    "task-past-due",                      // 17 payable aging detail
    "task-due",                           // 18 payable aging summary
    "edit-find-replace",                  // 19 monthly audit trail
    "emblem-package",                     // 20 miscellaneous
    "document-open",                      // 21
    "applications-science",               // 22 laboratory
    "camera-photo",                       // 23 x-ray
    "audio-volume-high",                  // 24 ultrasound
    "edit-cut",                           // 25 operating room
    "preferences-desktop-accessibility",  // 26 physical therapy
    "emblem-favorite",                    // 27 RTS
    "preferences-desktop-display",        // 28 CT scan
    "face-angel",                         // 29 delivery room
    "document-open",                      // 30
    "system-users",                       // 31 list of admissions
    "applications-engineering",           // 32 apparatus
    "system-file-manager",                // 33 year-end miscellaneous; year-end laboratory
    "camera-photo",                       // 34 x-ray
    "audio-volume-high",                  // 35 ultrasound
    "edit-cut",                           // 36 operating room
    "preferences-desktop-accessibility",  // 37 physical therapy
    "emblem-favorite",                    // 38 RTS
    "preferences-desktop-display",        // 39 CT scan
    "face-angel",                         // 40 delivery room
    "preferences-system",                 // 41 maintenance
}};

} // namespace

std::span<const ReportCategory> reportCategories()
{
    return kCategories;
}

std::span<const ReportItem> reportItems()
{
    return kItems;
}

std::vector<ReportItem> itemsOfCategory(int category)
{
    std::vector<ReportItem> items;
    for (const ReportItem& item : kItems)
        if (item.category == category)
            items.push_back(item);
    return items;
}

std::optional<ReportItem> findReportItem(int category, int item)
{
    for (const ReportItem& entry : kItems)
        if (entry.category == category && entry.item == item)
            return entry;
    return std::nullopt;
}

QString bigPicturePath(int number)
{
    if (number < 1 || number > kBigPictureCount)
        number = 0;
    return QStringLiteral(":/tarvik/pictures/%1.png").arg(QLatin1String(kBigPictures[size_t(number)]));
}

} // namespace tarvik::shell
