#pragma once

#include <QList>
#include <QString>

// A partner lost since the previous check.
struct DroppedPartner {
    QString name;
    QString address;
    // What happened, as the seller reads it: "不再链接你", "移除", "店铺已关闭".
    QString change;
};

// The notification's title: the shop checked and how many partners it lost.
QString dropSummary(const QString& address, qsizetype drops);

// One line per partner, "不再链接你：山野蜂蜜" (the address when a partner has
// no name), at most MaxDropLines of them and then how many more there are;
// `clickable` adds that a click lists them all. With `markup` the names are
// escaped for a service that reads the body as markup.
QString dropBody(const QList<DroppedPartner>& drops, bool clickable, bool markup);

inline constexpr qsizetype MaxDropLines = 8;
