#include "UserGuide.h"
#include "WatchingEyes.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

class TestWatchingEyes : public QObject {
    Q_OBJECT

private slots:
    void guideFile_data();
    void guideFile();
    void guidePicturesLieBesideIt();
    void clickOnAnyEyeOpensTheGuide_data();
    void clickOnAnyEyeOpensTheGuide();
    void failureSaysSo_data();
    void failureSaysSo();
};

// Where the guide is found for a program in <prefix>/bin.
void TestWatchingEyes::guideFile_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("found");

    QTest::newRow("installed copy wins over the build copy")
        << QStringList{"bin/guide.html", "share/zembrel/guide.html"} << "share/zembrel/guide.html";
    QTest::newRow("build copy next to the program")
        << QStringList{"bin/guide.html"} << "bin/guide.html";
    QTest::newRow("neither") << QStringList{"bin/zembrel"} << "";
}

void TestWatchingEyes::guideFile() {
    QFETCH(QStringList, files);
    QFETCH(QString, found);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    for (const QString& file : files) {
        QVERIFY(QDir(prefix.path()).mkpath(QFileInfo(file).path()));
        QFile written(prefix.filePath(file));
        QVERIFY(written.open(QIODevice::WriteOnly));
    }
    QCOMPARE(userguide::guideFile(prefix.filePath("bin")),
             found.isEmpty() ? QString() : prefix.filePath(found));
}

// Every picture the guide shows lies beside it, both installed and next to
// the program in the build folder; and the guide sends the seller to no
// source folder.
void TestWatchingEyes::guidePicturesLieBesideIt() {
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(ZEMBREL_CMAKE),
                  {"--install", ZEMBREL_BUILD_DIR, "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished());
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());

    const QRegularExpression picture(QStringLiteral("<img src=\"([^\"]+)\""));
    for (const QString& folder :
         {prefix.filePath(ZEMBREL_GUIDE_DIR), QStringLiteral(ZEMBREL_PROGRAM_DIR)}) {
        QFile guide(QDir(folder).filePath(QStringLiteral("guide.html")));
        QVERIFY(guide.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(guide.readAll());
        int pictures = 0;
        for (const QRegularExpressionMatch& match : picture.globalMatch(text)) {
            ++pictures;
            QVERIFY2(QFileInfo(QDir(folder).filePath(match.captured(1))).isFile(),
                     qPrintable(match.captured(1)));
        }
        QCOMPARE(pictures, 4);
        QVERIFY(!text.contains(QStringLiteral("scripts/")));
    }
}

void TestWatchingEyes::clickOnAnyEyeOpensTheGuide_data() {
    QTest::addColumn<QString>("image");

    QTest::newRow("left eye") << "Image1_0";
    QTest::newRow("right eye") << "Image1_1";
    QTest::newRow("left pupil") << "Image2_0";
    QTest::newRow("right pupil") << "Image2_1";
}

void TestWatchingEyes::clickOnAnyEyeOpensTheGuide() {
    QFETCH(QString, image);

    QWidget window;
    WatchingEyes watching(&window);
    QList<QUrl> opened;
    watching.setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    watching.setGuideFile(QStringLiteral("/opt/zembrel/guide.html"));
    auto* label = window.findChild<QLabel*>(image);
    QVERIFY(label);
    QCOMPARE(label->toolTip(), QStringLiteral("看累了..帮我揉揉眼睛吧！"));
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!label->pixmap().isNull());

    QTest::mouseClick(label, Qt::RightButton);
    QVERIFY(opened.isEmpty());
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("file:///opt/zembrel/guide.html"))});
    QVERIFY(!window.findChild<QMessageBox*>());
}

void TestWatchingEyes::failureSaysSo_data() {
    QTest::addColumn<QString>("guide");
    QTest::addColumn<int>("tries");
    QTest::addColumn<QString>("text");

    QTest::newRow("no browser starts") << "/opt/zembrel/guide.html" << 1
                                       << "无法启动浏览器。使用说明在：\n/opt/zembrel/guide.html";
    QTest::newRow("guide missing") << "" << 0 << "找不到使用说明：程序没有完整安装。";
}

void TestWatchingEyes::failureSaysSo() {
    QFETCH(QString, guide);
    QFETCH(int, tries);
    QFETCH(QString, text);

    QWidget window;
    WatchingEyes watching(&window);
    int opened = 0;
    watching.setUrlOpener([&](const QUrl&) {
        ++opened;
        return false;
    });
    watching.setGuideFile(guide);
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Image1_0")), Qt::LeftButton);

    QCOMPARE(opened, tries);
    const QPointer<QMessageBox> box = window.findChild<QMessageBox*>();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
    QCOMPARE(box->text(), text);
    // Shown without blocking the window, and gone once closed.
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowModality(), Qt::NonModal);
    QVERIFY(window.isEnabled());
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(box.isNull());
}

QTEST_MAIN(TestWatchingEyes)
#include "TestWatchingEyes.moc"
