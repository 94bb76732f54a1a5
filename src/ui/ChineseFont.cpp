#include "ChineseFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QString chineseFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& wanted : {QStringLiteral("SimSun"), QStringLiteral("宋体")}) {
        if (installed.contains(wanted, Qt::CaseInsensitive))
            return wanted;
    }
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    return chinese.isEmpty() ? QString() : chinese.first();
}

} // namespace

QFont chineseFont(qreal pointSize, bool bold) {
    QFont font;
    const QString family = chineseFamily();
    if (!family.isEmpty())
        font.setFamilies({family});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
