#pragma once

#include <QString>
#include <optional>
#include <span>
#include <vector>

// The report menu: its categories, the items under each and the dialog each item opens.
namespace tarvik::shell {

struct ReportCategory
{
    const char* caption;
    int basePicture; // item k shows picture basePicture + k
};

struct ReportItem
{
    int category;
    int item;
    const char* caption;
    const char* form;       // the dialog's form name in the registry
    const char* reportType; // set before the dialog is shown; nullptr: left alone
};

std::span<const ReportCategory> reportCategories();
std::span<const ReportItem> reportItems();

// The items of one category, in menu order.
std::vector<ReportItem> itemsOfCategory(int category);

// The dispatch entry of an item; empty for a pair that is not in the menu.
std::optional<ReportItem> findReportItem(int category, int item);

// The picture of ImageListBig with this number (1 to 41): a resource path.
QString bigPicturePath(int number);
inline constexpr int kBigPictureCount = 41;

} // namespace tarvik::shell
