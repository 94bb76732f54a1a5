#include "DropNotificationText.h"

#include <QStringList>

QString dropSummary(const QString& address, qsizetype drops) {
    return QStringLiteral("%1：%2 家友情链接店铺流失").arg(address).arg(drops);
}

QString dropBody(const QList<DroppedPartner>& drops, bool clickable, bool markup) {
    QStringList lines;
    for (const DroppedPartner& drop : drops.mid(0, MaxDropLines))
        lines.append(drop.change + QStringLiteral("：") +
                     (drop.name.isEmpty() ? drop.address : drop.name));
    if (drops.size() > MaxDropLines)
        lines.append(QStringLiteral("……还有 %1 家").arg(drops.size() - MaxDropLines));
    if (clickable)
        lines.append(QStringLiteral("点击查看全部变化"));
    const QString body = lines.join(u'\n');
    return markup ? body.toHtmlEscaped() : body;
}
