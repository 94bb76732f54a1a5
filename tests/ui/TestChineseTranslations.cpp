#include "ChineseTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

class TestChineseTranslations : public QObject {
    Q_OBJECT

private slots:
    void standardButtonsReadChinese();
};

void TestChineseTranslations::standardButtonsReadChinese() {
    if (!installChineseTranslations(*qApp))
        QSKIP("Qt's Simplified Chinese catalogue (qt6-translations-l10n) is not installed");
    const QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Save |
                                   QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("保存"));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

QTEST_MAIN(TestChineseTranslations)
#include "TestChineseTranslations.moc"
