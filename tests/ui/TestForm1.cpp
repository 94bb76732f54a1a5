#include "FakePages.h"
#include "Form1.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "ProxySetup.h"
#include "ResultGridView.h"
#include "TestMarket.h"
#include "WatchingEyes.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoroTask>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

const QString OwnAddress = QStringLiteral("myshop.taobao.com");

QString ownPage(const QStringList& shopAddresses) {
    QString list;
    for (qsizetype i = 0; i < shopAddresses.size(); ++i)
        list += QStringLiteral("\n<a href=\"%1\" target=\"_blank\">店铺%2</a>")
                    .arg(shopAddresses[i])
                    .arg(i + 1);
    return QStringLiteral("<html><title>首页-我的小店 - 淘宝网</title><body>"
                          "<h3>友情链接</h3><ul>%1\n</ul></body></html>")
        .arg(list);
}

QString shopPage(const QString& member) {
    return QStringLiteral("<div class=\"shop-info-simple\"><a href=\"http://m\">%1</a>"
                          "<img src=\"http://pics/newrank/s_blue_2.gif\" alt=\"\">"
                          "<li>好评率：<b>99.50%</li><li>创店时间<b>2008-05-01</li>"
                          "<h3>友情链接</h3><a href=\"http://myshop.taobao.com\">我的小店</a>")
        .arg(member);
}

MarketPage utf8Page(const QString& text) {
    MarketPage page;
    page.body = text.toUtf8();
    page.charset = "utf-8";
    return page;
}

// Every page through the test marketplace.
class MarketRoute : public QNetworkProxyFactory {
public:
    explicit MarketRoute(const QString& proxyUrl)
        : proxy_(*proxyFromUrl(proxyUrl)) {}
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery&) override { return {proxy_}; }

private:
    QNetworkProxy proxy_;
};

QCoro::Task<> answeredAtOnce() {
    co_return;
}

// A window over fake pages whose message boxes are answered at once.
struct Window {
    FakeFetcher fetcher;
    FakeRenderer renderer;
    Form1 form{fetcher, renderer};
    QStringList messages; // "title: text"

    Window() {
        form.setMessagePresenter([this](const QString& text, const QString& title) {
            messages << title + QStringLiteral(": ") + text;
            return QCoro::Task<>{answeredAtOnce()};
        });
    }

    template <typename T> T* control(const QString& name) {
        T* found = form.findChild<T*>(name);
        Q_ASSERT(found);
        return found;
    }
    QLineEdit* Text1() { return control<QLineEdit>(QStringLiteral("Text1")); }
    QPushButton* Command1() { return control<QPushButton>(QStringLiteral("Command1")); }
    QPushButton* Command2() { return control<QPushButton>(QStringLiteral("Command2")); }

    bool showActive() {
        form.show();
        QApplication::setActiveWindow(&form);
        return QTest::qWaitForWindowActive(&form);
    }

    void listShops(int count) {
        QStringList addresses;
        for (int i = 1; i <= count; ++i) {
            const QString address = QStringLiteral("http://shop%1.taobao.com").arg(i);
            addresses << address;
            fetcher.pages[address] = shopPage(QStringLiteral("掌柜%1").arg(i));
        }
        fetcher.pages[OwnAddress] = ownPage(addresses);
        Text1()->setText(OwnAddress);
    }

    QString cell(qint32 row, qint32 col) { return form.grid().cell(row, col).text; }
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void framePlacedOnASmallerScreen();
    void sizeStaysFixed();
    void initialStates();
    void tabOrder();
    void enterDoesNothing();
    void altAStartsAnalysis();
    void f1OpensTheGuide();
    void runFillsTheGrid();
    void lastRowCheckedIsInView();
    void stopDuringAFetchEndsTheRunAfterThatRow();
    void closeRefusedDuringARun();
    void closeAcceptedWhenIdle();
    void windowsOfOursDoNotHoldTheRunUp_data();
    void windowsOfOursDoNotHoldTheRunUp();
    void eyesFollowThePointer_data();
    void eyesFollowThePointer();
};

void TestForm1::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("Label1") << "Label1" << QRect(8, 8, 98, 14);
    QTest::newRow("Text1") << "Text1" << QRect(112, 0, 313, 25);
    QTest::newRow("Command1") << "Command1" << QRect(456, 0, 89, 25);
    QTest::newRow("Command2") << "Command2" << QRect(568, 0, 89, 25);
    QTest::newRow("MSFlexGrid1") << "MSFlexGrid1" << QRect(8, 32, 841, 537);
    QTest::newRow("left eye") << "Image1_0" << QRect(704, 5, 24, 24);
    QTest::newRow("right eye") << "Image1_1" << QRect(728, 5, 24, 24);
    QTest::newRow("left pupil") << "Image2_0" << QRect(712, 16, 8, 8);
    QTest::newRow("right pupil") << "Image2_1" << QRect(736, 16, 8, 8);
}

void TestForm1::geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, pixels);

    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QCOMPARE(w.form.size(), QSize(856, 577));
    QCOMPARE(w.control<QWidget>(name)->geometry(), pixels);
}

// The tests' screen is smaller than the window, as a laptop's at 150 % is:
// the frame's top-left corner, and with it the title bar, the address box
// and the buttons, stays on the available area.
void TestForm1::framePlacedOnASmallerScreen() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    const QRect available = w.form.screen()->availableGeometry();
    const QRect frame = w.form.frameGeometry();
    QVERIFY(frame.width() > available.width() && frame.height() > available.height());
    QCOMPARE(frame.topLeft(), available.topLeft());
}

void TestForm1::sizeStaysFixed() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.resize(1000, 700);
    QCOMPARE(w.form.size(), QSize(856, 577));
    w.form.windowHandle()->resize(400, 300);
    QTRY_COMPARE(w.form.size(), QSize(856, 577));
    w.form.showMaximized();
    QCOMPARE(w.form.size(), QSize(856, 577));
}

void TestForm1::initialStates() {
    Window w;
    QVERIFY(w.showActive());

    QCOMPARE(w.form.windowTitle(), QStringLiteral("ZembrelVer1.03 Build:0015"));
    QVERIFY(!w.form.windowIcon().isNull());
    QCOMPARE(QApplication::focusWidget(), w.Text1());
    QVERIFY(w.Text1()->text().isEmpty());
    QVERIFY(w.Command1()->isEnabled());
    QVERIFY(!w.Command2()->isEnabled());
    QCOMPARE(w.Command1()->text(), QStringLiteral("分析(&A)"));
    QCOMPARE(w.Command2()->text(), QStringLiteral("停止(&S)"));
    QCOMPARE(w.control<QLabel>("Label1")->text(), QStringLiteral("您的店铺地址:"));
    QVERIFY(w.control<QLabel>("Label1")->font().bold());
    for (QPushButton* button : {w.Command1(), w.Command2()})
        QVERIFY(!button->isDefault() && !button->autoDefault());
    QCOMPARE(w.form.StopRequested(), qint16(0));

    QCOMPARE(w.form.grid().Rows(), 2);
    QCOMPARE(w.form.gridView().model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("店铺名称"));
    QCOMPARE(w.form.gridView().columnWidth(8), 125);

    // No length limit on the address box.
    const QString longAddress(40000, u'a');
    w.Text1()->setText(longAddress);
    QCOMPARE(w.form.addressText(), longAddress);
}

void TestForm1::tabOrder() {
    Window w;
    QVERIFY(w.showActive());
    w.form.setStopEnabled(true);
    const QList<QWidget*> order{w.Command1(), &w.form.gridView(), w.Command2(), w.Text1()};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

void TestForm1::enterDoesNothing() {
    Window w;
    QVERIFY(w.showActive());
    w.listShops(1);
    QTest::keyClick(w.Text1(), Qt::Key_Return);
    QTest::keyClick(w.Text1(), Qt::Key_Enter);
    QTest::keyClick(w.Text1(), Qt::Key_Escape);

    QVERIFY(w.fetcher.requests.isEmpty());
    QVERIFY(w.messages.isEmpty());
    QCOMPARE(w.Text1()->text(), OwnAddress);
    QVERIFY(w.form.isVisible());
}

void TestForm1::altAStartsAnalysis() {
    Window w;
    QVERIFY(w.showActive());
    QTest::keyClick(w.Text1(), Qt::Key_A, Qt::AltModifier);
    // An access key presses its button visibly, so the click comes a moment later.
    QTRY_COMPARE(w.messages, QStringList{"提示: 请输入淘宝店铺地址！"});
    QVERIFY(w.Command1()->isEnabled());
    QVERIFY(!w.Command2()->isEnabled());
}

void TestForm1::f1OpensTheGuide() {
    Window w;
    QVERIFY(w.showActive());
    QList<QUrl> opened;
    w.form.eyes().setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    w.form.eyes().setGuideFile(QStringLiteral("/opt/zembrel/guide.html"));
    QTest::keyClick(w.Text1(), Qt::Key_F1);
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("file:///opt/zembrel/guide.html"))});
}

void TestForm1::runFillsTheGrid() {
    Window w;
    w.listShops(2);
    // A selection left from before would hide the run's colours.
    w.form.gridView().selectAll();
    QTest::mouseClick(w.Command1(), Qt::LeftButton);
    QVERIFY(!w.form.gridView().selectionModel()->hasSelection());

    QCOMPARE(w.fetcher.requests,
             QStringList({OwnAddress, "http://shop1.taobao.com", "http://shop2.taobao.com"}));
    QVERIFY(w.messages.isEmpty());
    const QStringList row2{"2",      "店铺2",      "http://shop2.taobao.com",
                           "正常",   "掌柜2",      "2钻",
                           "99.50%", "2008-05-01", "√"};
    for (qint32 col = 0; col < row2.size(); ++col)
        QCOMPARE(w.cell(2, col), row2[col]);
    QCOMPARE(w.form.gridView().model()->index(1, 8).data().toString(), QStringLiteral("√"));
    QVERIFY(w.Command1()->isEnabled());
    QVERIFY(!w.Command2()->isEnabled());
}

// The grid follows the run down its rows.
void TestForm1::lastRowCheckedIsInView() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.listShops(60);
    QTest::mouseClick(w.Command1(), Qt::LeftButton);

    QTRY_VERIFY(w.Command1()->isEnabled());
    QCOMPARE(w.cell(60, 3), QStringLiteral("正常"));
    const ResultGridView& view = w.form.gridView();
    QVERIFY(view.viewport()->rect().contains(view.visualRect(w.form.grid().index(60, 3))));
}

void TestForm1::stopDuringAFetchEndsTheRunAfterThatRow() {
    Window w;
    w.listShops(3);
    w.fetcher.onFetch = [&](const QString& url) {
        if (url == QStringLiteral("http://shop2.taobao.com")) {
            QVERIFY(w.Command2()->isEnabled());
            QTest::mouseClick(w.Command2(), Qt::LeftButton);
            QCOMPARE(w.form.StopRequested(), qint16(1));
            // Stop changes no button by itself.
            QVERIFY(!w.Command1()->isEnabled());
            QVERIFY(w.Command2()->isEnabled());
        }
    };
    QTest::mouseClick(w.Command1(), Qt::LeftButton);

    QCOMPARE(w.fetcher.requests,
             QStringList({OwnAddress, "http://shop1.taobao.com", "http://shop2.taobao.com"}));
    QCOMPARE(w.cell(2, 3), QStringLiteral("正常"));
    QCOMPARE(w.cell(2, 8), QStringLiteral("√"));
    QCOMPARE(w.cell(3, 3), QStringLiteral("用户中止"));
    QCOMPARE(w.form.grid().cell(3, 3).color, 255u);
    QVERIFY(w.cell(3, 4).isEmpty());
    QCOMPARE(w.form.StopRequested(), qint16(0));
    QVERIFY(w.Command1()->isEnabled());
    QVERIFY(!w.Command2()->isEnabled());
}

void TestForm1::closeRefusedDuringARun() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.listShops(1);
    bool closed = true;
    w.fetcher.onFetch = [&](const QString& url) {
        if (url == OwnAddress)
            closed = w.form.close();
    };
    QTest::mouseClick(w.Command1(), Qt::LeftButton);

    QVERIFY(!closed);
    QCOMPARE(w.messages, QStringList{"提示: 分析进行中...请先停止分析后再关闭程序！"});
    QVERIFY(w.form.isVisible());
    // The run went on to the end.
    QCOMPARE(w.cell(1, 8), QStringLiteral("√"));
}

void TestForm1::closeAcceptedWhenIdle() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QVERIFY(w.form.close());
    QVERIFY(!w.form.isVisible());
    QVERIFY(w.messages.isEmpty());
}

void TestForm1::windowsOfOursDoNotHoldTheRunUp_data() {
    QTest::addColumn<QString>("opened");
    QTest::newRow("context menu") << "menu";
    QTest::newRow("export dialog") << "export";
}

// The grid's context menu and the export dialog run loops of their own; the
// run goes on beneath them, its pages arriving from the test marketplace,
// which holds them back until the menu or dialog is open.
void TestForm1::windowsOfOursDoNotHoldTheRunUp() {
    QFETCH(QString, opened);
    TestMarket market;
    QVERIFY(market.listen());
    QStringList shops;
    for (int i = 1; i <= 3; ++i) {
        shops << QStringLiteral("http://shop%1.taobao.com").arg(i);
        market.setPage(QStringLiteral("shop%1.taobao.com").arg(i), "/",
                       held(utf8Page(shopPage(QStringLiteral("掌柜%1").arg(i)))));
    }
    market.setPage(OwnAddress, "/", utf8Page(ownPage(shops)));
    PageTransfers transfers;
    transfers.setProxyFactory(std::make_unique<MarketRoute>(market.proxyUrl()));
    PrefetchingPageFetcher fetcher(transfers, std::chrono::seconds(30), 1);
    FakeRenderer renderer;
    Form1 form(fetcher, renderer);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.setAddressText(OwnAddress);
    const ResultGrid& grid = form.grid();

    const auto ourWindows = [] {
        QList<QWidget*> open;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() &&
                (qobject_cast<QMenu*>(widget) || qobject_cast<QFileDialog*>(widget)))
                open << widget;
        }
        return open;
    };
    // The pages go out once the menu or dialog shows; it is closed from the
    // very signal that writes the last status, so the check cannot race the
    // end of the run.
    bool filledWhileOpen = false;
    // A run that stalls beneath them would keep them open for good.
    QTimer::singleShot(30'000, &form, [&] {
        for (QWidget* window : ourWindows())
            window->close();
    });
    QTimer opening;
    connect(&opening, &QTimer::timeout, this, [&] {
        if (!ourWindows().isEmpty()) {
            opening.stop();
            market.setHolding(false);
        }
    });
    connect(&grid, &ResultGrid::dataChanged, this, [&](const QModelIndex& index) {
        if (index.row() == 3 && index.column() == 3 && grid.cell(3, 3).text == "正常") {
            for (QWidget* window : ourWindows())
                filledWhileOpen = window->close();
        }
        if (index.row() != 1 || index.column() != 3 || grid.cell(1, 3).text != "检测中...")
            return;
        opening.start(10);
        QMetaObject::invokeMethod(
            &form,
            [&] {
                ResultGridView& view = form.gridView();
                if (opened == "menu") {
                    const QPoint at = view.viewport()->rect().center();
                    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                            view.viewport()->mapToGlobal(at));
                    QApplication::sendEvent(view.viewport(), &event);
                    return;
                }
                for (QAction* action : view.findChildren<QAction*>()) {
                    if (action->text().startsWith(QStringLiteral("导出")))
                        action->trigger();
                }
            },
            Qt::QueuedConnection);
    });

    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form.findChild<QPushButton*>("Command1")->isEnabled(), 60'000);
    QVERIFY(filledWhileOpen);
    QCOMPARE(grid.cell(3, 4).text, QStringLiteral("掌柜3"));
}

void TestForm1::eyesFollowThePointer_data() {
    QTest::addColumn<QPoint>("windowPixel");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    // (800, 17) px is the window point (12000, 255) twips, right of the eyes.
    QTest::newRow("free surface") << QPoint(800, 17) << true << 10755.f << 195.f;
    // Over the header row the grid reports (990, 255) twips, its own
    // coordinates: the pupils look straight left.
    QTest::newRow("grid, own coordinates") << QPoint(74, 49) << true << 10605.f << 195.f;
    QTest::newRow("label") << QPoint(20, 12) << false << 0.f << 0.f;
    QTest::newRow("address box") << QPoint(200, 12) << false << 0.f << 0.f;
    QTest::newRow("eye") << QPoint(716, 10) << false << 0.f << 0.f;
}

void TestForm1::eyesFollowThePointer() {
    QFETCH(QPoint, windowPixel);
    QFETCH(bool, moves);
    QFETCH(float, left);
    QFETCH(float, top);

    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QTest::mouseMove(w.form.windowHandle(), windowPixel);
    QApplication::processEvents();

    const eyes::PupilPlaces& pupils = w.form.eyes().pupils();
    if (!moves) {
        QCOMPARE(pupils.leftX, 10680.f);
        QCOMPARE(pupils.leftY, 240.f);
        return;
    }
    QCOMPARE(pupils.leftX, left);
    QCOMPARE(pupils.leftY, top);
    QCOMPARE(pupils.rightX, left + 360);
    QCOMPARE(pupils.rightY, top);
}

// The window runs on a screen smaller than itself.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" ZEMBREL_SMALL_SCREEN);
    const QApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestForm1.moc"
