#include "ChangeListDialog.h"
#include "FakePages.h"
#include "Form1.h"
#include "ResultGridView.h"
#include "WindowHistory.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QCoro::Task<> answeredAtOnce() {
    co_return;
}

// A page of a friend shop that links back to myshop, or not.
QString shopPage(bool linksBack) {
    return QStringLiteral("<div class=\"shop-info-simple\"><a href=\"http://m\">掌柜</a>"
                          "<img src=\"http://pics/newrank/s_blue_2.gif\" alt=\"\">"
                          "<li>好评率：<b>99.50%</li><li>创店时间<b>2008-05-01</li>"
                          "<h3>友情链接</h3>%1")
        .arg(linksBack ? QStringLiteral("<a href=\"http://myshop.taobao.com\">我的小店</a>")
                       : QString());
}

// The window over two friend shops, with its history in a folder of its own.
struct Window {
    QTemporaryDir data;
    FakeFetcher fetcher;
    FakeRenderer renderer;
    Form1 form{fetcher, renderer};
    WindowHistory history{form, data.filePath(QStringLiteral("history.sqlite"))};

    Window() {
        form.setMessagePresenter(
            [](const QString&, const QString&) { return QCoro::Task<>{answeredAtOnce()}; });
        fetcher.pages[QStringLiteral("myshop.taobao.com")] = QStringLiteral(
            "<html><title>首页-我的小店 - 淘宝网</title><body><h3>友情链接</h3><ul>\n"
            "<a href=\"http://shop1.taobao.com\" target=\"_blank\">店铺1</a>\n"
            "<a href=\"http://shop2.taobao.com\" target=\"_blank\">店铺2</a>\n</ul></body></html>");
        fetcher.pages[QStringLiteral("http://shop2.taobao.com")] = shopPage(true);
    }

    // One run of the address typed as given; shop 1 links back or not.
    void run(const QString& typed, bool shop1LinksBack) {
        fetcher.pages[QStringLiteral("http://shop1.taobao.com")] = shopPage(shop1LinksBack);
        form.setAddressText(typed);
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTRY_VERIFY(form.findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
    }

    QStringList noticeTexts() {
        QStringList texts;
        for (const QMessageBox* box : form.findChildren<QMessageBox*>()) {
            if (box->isVisible())
                texts << box->text();
        }
        return texts;
    }

    QString toolTip(int row, int col) {
        return form.gridView().toolTipText(form.grid().index(row, col));
    }
};

} // namespace

// The window's history: after a run with an earlier record of the same
// shop, the changed cells' tooltips and the notice of a drop; a bad history
// file told once.
class TestWindowHistory : public QObject {
    Q_OBJECT

private slots:
    void changedCellsAndDropsAfterARun();
    void latestChangesInAnotherWindow();
    void badHistoryToldOnce();
};

void TestWindowHistory::changedCellsAndDropsAfterARun() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.run(QStringLiteral("MyShop"), true);
    QVERIFY(w.noticeTexts().isEmpty());
    QVERIFY(!w.history.compareAction().isEnabled());
    QVERIFY(w.toolTip(1, 8).isEmpty());

    // A check whose own page failed hides nothing from the next one.
    const QString ownPage = w.fetcher.pages.take(QStringLiteral("myshop.taobao.com"));
    w.run(QStringLiteral("myshop"), true);
    w.fetcher.pages[QStringLiteral("myshop.taobao.com")] = ownPage;

    // Shop 2 now refuses its page: not checked, so never a drop, and its
    // status says why.
    w.fetcher.pages.remove(QStringLiteral("http://shop2.taobao.com"));
    w.fetcher.failures[QStringLiteral("http://shop2.taobao.com")] = PageProblem::Refused;
    w.run(QStringLiteral("MYSHOP.taobao.com"), false);

    const QList<CheckSummary> checks =
        CheckHistory(w.data.filePath(QStringLiteral("history.sqlite"))).list();
    QCOMPARE(checks.size(), 3);
    const QString when = checks[2].endedAt.toString(QStringLiteral("MM-dd HH:mm"));
    QCOMPARE(w.toolTip(1, 8), QStringLiteral("上次（%1）：√").arg(when));
    QCOMPARE(w.toolTip(2, 3), QStringLiteral("网站拒绝了访问\n上次（%1）：正常").arg(when));
    QCOMPARE(
        w.noticeTexts(),
        QStringList{QStringLiteral("与上次（%1）相比：\n不再链接你：店铺1 http://shop1.taobao.com"
                                   "（√ → ×）\n未能比较：店铺2 http://shop2.taobao.com"
                                   "（正常 → 访问受限）")
                        .arg(when)});

    // The full list, drops in red.
    QVERIFY(w.history.compareAction().isEnabled());
    w.history.compareAction().trigger();
    auto* changes = w.form.findChild<ChangeListDialog*>();
    QVERIFY(changes && changes->isVisible());
    QCOMPARE(changes->list().topLevelItemCount(), 2);
    QCOMPARE(changes->list().topLevelItem(0)->foreground(0).color(), QColor(Qt::red));
    QCOMPARE(changes->list().topLevelItem(1)->text(0), QStringLiteral("未能比较"));

    // The next run starts without the old notes.
    w.fetcher.pages.remove(QStringLiteral("myshop.taobao.com"));
    w.run(QStringLiteral("myshop"), false);
    QVERIFY(w.toolTip(1, 8).isEmpty());
}

// What a click on the daily check's notification opens: a window of its
// own on the same history lists what the latest check found, or says that
// there was no check before it.
void TestWindowHistory::latestChangesInAnotherWindow() {
    Window w;
    Form1 other(w.fetcher, w.renderer);
    WindowHistory history(other, w.data.filePath(QStringLiteral("history.sqlite")));
    other.setAddressText(QStringLiteral("MyShop.taobao.com"));

    w.run(QStringLiteral("myshop"), true);
    history.showLatestChanges();
    auto* notice = other.findChild<QMessageBox*>();
    QVERIFY(notice && notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("没有上次的记录。"));

    w.run(QStringLiteral("myshop"), false);
    history.showLatestChanges();
    auto* changes = other.findChild<ChangeListDialog*>();
    QVERIFY(changes && changes->isVisible());
    QCOMPARE(changes->list().topLevelItemCount(), 1);
    QCOMPARE(changes->list().topLevelItem(0)->text(0), QStringLiteral("不再链接你"));
}

void TestWindowHistory::badHistoryToldOnce() {
    Window w;
    QFile file(w.data.filePath(QStringLiteral("history.sqlite")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\0') + "not a history");
    file.close();

    w.run(QStringLiteral("myshop"), true);
    w.run(QStringLiteral("myshop"), false);

    const QStringList notices = w.noticeTexts();
    QCOMPARE(notices.filter(QStringLiteral("历史记录文件无法读取")).size(), 1);
    QCOMPARE(w.form.grid().cell(1, 8).text, QStringLiteral("×"));
    QCOMPARE(CheckHistory(file.fileName()).list().size(), 2);
}

QTEST_MAIN(TestWindowHistory)
#include "TestWindowHistory.moc"
