// The dispatch table's own consistency: a typo here sends a user to the wrong report.

#include "ReportMenu.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace tarvik::shell;

namespace {

TEST(ReportMenu, EachCategoryNumbersItsItemsFromZeroWithinElevenButtons)
{
    std::map<int, int> next;
    for (const ReportItem& item : reportItems()) {
        EXPECT_EQ(item.item, next[item.category]) << item.caption;
        ++next[item.category];
    }
    ASSERT_EQ(next.size(), reportCategories().size());
    for (const auto& [category, count] : next)
        EXPECT_LE(count, 11) << category;
}

TEST(ReportMenu, ReportTypeIsTheItemIndexExceptMonthAndYear)
{
    for (const ReportItem& item : reportItems()) {
        if (!item.reportType)
            continue;
        const QString type = QString::fromLatin1(item.reportType);
        if (type == "M" || type == "Y")
            continue;
        EXPECT_EQ(type, QString::number(item.item)) << item.caption;
    }
    EXPECT_STREQ(findReportItem(2, 6)->reportType, "M");
    EXPECT_STREQ(findReportItem(5, 1)->reportType, "Y");
    EXPECT_STREQ(findReportItem(5, 1)->form, "frmReportMonthMiscellaneous");
}

TEST(ReportMenu, AnUnknownPairHasNoEntry)
{
    EXPECT_FALSE(findReportItem(1, 4));
    EXPECT_FALSE(findReportItem(8, 0));
    EXPECT_FALSE(findReportItem(-1, 0));
}

TEST(ReportMenu, EveryItemHasAPicture)
{
    for (const ReportItem& item : reportItems()) {
        const int number = reportCategories()[size_t(item.category)].basePicture + item.item;
        EXPECT_LE(number, kBigPictureCount) << item.caption;
        EXPECT_TRUE(QFile::exists(bigPicturePath(number))) << bigPicturePath(number).toStdString();
    }
    for (const char* key : {"Daily", "Monthly", "Yearly", "Exit"})
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/tarvik/pictures/toolbar/%1.png").arg(key))) << key;
}

} // namespace
