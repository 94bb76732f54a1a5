#pragma once

#include <QtGlobal>

// The results grid's columns.
namespace gridcol {
enum : qint32 {
    Number = 0,
    ShopName = 1,
    Address = 2,
    Status = 3,
    Member = 4,
    Credit = 5,
    Rate = 6,
    Created = 7,
    LinksBack = 8,
    Count = 9,
};
} // namespace gridcol
