#include "FriendLinkList.h"
#include "LinkListFile.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using friendlinks::FriendLink;

Q_DECLARE_METATYPE(QList<FriendLink>)

namespace {

// The links the block yields after the file round trip, as the run reads it.
QList<FriendLink> linksOf(const QString& block) {
    const std::optional<QString> readBack =
        roundTripThroughLinkListFile(friendlinks::fileText(block));
    if (!readBack)
        return {};
    QList<FriendLink> links;
    for (const QString& line : friendlinks::lines(*readBack)) {
        if (const auto link = friendlinks::parseLine(line))
            links << *link;
    }
    return links;
}

QStringList describe(const QList<FriendLink>& links) {
    QStringList result;
    for (const FriendLink& link : links)
        result << link.address + QStringLiteral(" | ") + link.name;
    return result;
}

} // namespace

class TestFriendLinkList : public QObject {
    Q_OBJECT

private slots:
    void fileText_data();
    void fileText();
    void lines_data();
    void lines();
    void parseLine_data();
    void parseLine();
    void blockToLinks_data();
    void blockToLinks();
    void fileIsRemoved();
};

void TestFriendLinkList::fileText_data() {
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty block") << ""
                                 << "\r\n";
    QTest::newRow("LF becomes CR LF") << "a\nb"
                                      << "a\r\nb\r\n";
    QTest::newRow("CR LF becomes CR CR LF") << "a\r\nb"
                                            << "a\r\r\nb\r\n";
    QTest::newRow("lone CR kept") << "a\rb"
                                  << "a\rb\r\n";
}

void TestFriendLinkList::fileText() {
    QFETCH(QString, block);
    QFETCH(QString, text);
    QCOMPARE(friendlinks::fileText(block), text);
}

void TestFriendLinkList::lines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one empty line") << "\r\n" << QStringList{""};
    QTest::newRow("two lines") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("CR CR LF gives an empty line") << "a\r\r\nb\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("lone CR ends a line") << "a\rb\r\n" << QStringList{"a", "b"};
    QTest::newRow("text after last line end") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("nothing at all") << "" << QStringList{""};
}

void TestFriendLinkList::lines() {
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(friendlinks::lines(text), expected);
}

void TestFriendLinkList::parseLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected"); // "address | name", empty for no link

    QTest::newRow("address then attributes")
        << "<a href=\"http://a.taobao.com\" target=\"_blank\">A店</a>"
        << "http://a.taobao.com | A店";
    QTest::newRow("entities and markup kept") << "<a href=\"x?a=1&amp;b\" >A&amp;<b>B</b></a>"
                                              << "x?a=1&amp;b | A&amp;<b>B</b>";
    QTest::newRow("two links, first taken")
        << "<a href=\"one\" t=\"1\">One</a><a href=\"two\" t=\"2\">Two</a>"
        << "one | One";
    QTest::newRow("merged address") << "<a href=\"one\">One</a> <a href=\"two\" t=\"2\">Two</a>"
                                    << "one\">One</a> <a href=\"two | Two";
    QTest::newRow("leading spaces") << "  <a href=\"a\" >A</a>"
                                    << "";
    QTest::newRow("leading tab") << "\t<a href=\"a\" >A</a>"
                                 << "";
    QTest::newRow("capital tag") << "<A HREF=\"a\" >A</A>"
                                 << "";
    QTest::newRow("other tag first") << "<li><a href=\"a\" >A</a></li>"
                                     << "";
    QTest::newRow("no quote-space") << "<a href=\"a\">A</a>"
                                    << "";
    QTest::newRow("first quote followed by space") << "<a href=\" a\">A</a>"
                                                   << "";
    QTest::newRow("no closing tag") << "<a href=\"a\" >A"
                                    << "";
    QTest::newRow("no quote at all") << "<a href=a>A</a>"
                                     << "";
    QTest::newRow("empty name") << "<a href=\"a\" ></a>"
                                << "a | ";
}

void TestFriendLinkList::parseLine() {
    QFETCH(QString, line);
    QFETCH(QString, expected);
    const std::optional<FriendLink> link = friendlinks::parseLine(line);
    QCOMPARE(link ? link->address + " | " + link->name : QString(), expected);
}

void TestFriendLinkList::blockToLinks_data() {
    QTest::addColumn<QString>("block");
    QTest::addColumn<QStringList>("links");

    const QString a = "<a href=\"http://a.taobao.com\" >A</a>";
    const QString b = "<a href=\"http://b.taobao.com\" >B</a>";
    QTest::newRow("LF separated") << a + "\n" + b
                                  << QStringList{"http://a.taobao.com | A",
                                                 "http://b.taobao.com | B"};
    QTest::newRow("CR LF separated")
        << a + "\r\n" + b << QStringList{"http://a.taobao.com | A", "http://b.taobao.com | B"};
    QTest::newRow("lone CR separated")
        << a + "\r" + b << QStringList{"http://a.taobao.com | A", "http://b.taobao.com | B"};
    QTest::newRow("same line: first only") << a + b << QStringList{"http://a.taobao.com | A"};
    QTest::newRow("unrepresentable character becomes ?")
        << "<a href=\"http://c.taobao.com/😀\" >ร้าน店</a>"
        << QStringList{"http://c.taobao.com/? | ????店"};
    QTest::newRow("no links") << "<li>nothing</li>" << QStringList{};
}

void TestFriendLinkList::blockToLinks() {
    QFETCH(QString, block);
    QFETCH(QStringList, links);
    QCOMPARE(describe(linksOf(block)), links);
}

// The run gets a temporary folder of its own, so that files other programs
// leave in the shared one do not count.
void TestFriendLinkList::fileIsRemoved() {
    const QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const bool hadTmpDir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray tmpDir = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] {
        if (hadTmpDir)
            qputenv("TMPDIR", tmpDir);
        else
            qunsetenv("TMPDIR");
    });
    qputenv("TMPDIR", QFile::encodeName(folder.path()));
    QCOMPARE(QDir::tempPath(), folder.path());

    QVERIFY(roundTripThroughLinkListFile(QStringLiteral("x\r\n")).has_value());
    QVERIFY(QDir(folder.path()).isEmpty());
}

QTEST_APPLESS_MAIN(TestFriendLinkList)
#include "TestFriendLinkList.moc"
