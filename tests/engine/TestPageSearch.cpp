#include "PageSearch.h"

#include <QTest>

class TestPageSearch : public QObject {
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void findBack_data();
    void findBack();
    void cut_data();
    void cut();
    void between_data();
    void between();
};

void TestPageSearch::find_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected");

    QTest::newRow("first occurrence") << "abcabc"
                                      << "bc" << 1 << 2;
    QTest::newRow("at from itself") << "abcabc"
                                    << "bc" << 2 << 2;
    QTest::newRow("after from") << "abcabc"
                                << "bc" << 3 << 5;
    QTest::newRow("none after from") << "abcabc"
                                     << "bc" << 6 << 0;
    QTest::newRow("case-sensitive") << "</A>"
                                    << "</a>" << 1 << 0;
    QTest::newRow("missing start finds nothing") << "abc"
                                                 << "a" << 0 << 0;
    QTest::newRow("negative start") << "abc"
                                    << "a" << -3 << 0;
    QTest::newRow("start past the end") << "abc"
                                        << "c" << 9 << 0;
    QTest::newRow("empty marker within text") << "abc"
                                              << "" << 2 << 2;
    QTest::newRow("empty marker at last char") << "abc"
                                               << "" << 3 << 3;
    QTest::newRow("empty marker past end") << "abc"
                                           << "" << 4 << 0;
    QTest::newRow("empty text") << ""
                                << "a" << 1 << 0;
    QTest::newRow("chinese positions") << "首页-我的店- 淘宝网"
                                       << "- 淘宝网" << 1 << 7;
    QTest::newRow("surrogate pairs count as two") << "😀x"
                                                  << "x" << 1 << 3;
}

void TestPageSearch::find() {
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(int, from);
    QFETCH(int, expected);
    QCOMPARE(pagetext::find(text, marker, from), expected);
}

void TestPageSearch::findBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("upTo");
    QTest::addColumn<int>("expected");

    QTest::newRow("last wholly within") << "ab ab ab"
                                        << "ab" << 8 << 7;
    QTest::newRow("occurrence ending at upTo") << "ab ab ab"
                                               << "ab" << 5 << 4;
    QTest::newRow("straddling upTo excluded") << "ab ab ab"
                                              << "ab" << 4 << 1;
    QTest::newRow("none before") << "xx ab"
                                 << "ab" << 3 << 0;
    QTest::newRow("missing start") << "ab"
                                   << "ab" << 0 << 0;
    QTest::newRow("upTo past end") << "ab ab"
                                   << "ab" << 50 << 4;
    QTest::newRow("marker longer than prefix") << "abc"
                                               << "abc" << 2 << 0;
    QTest::newRow("one character just past upTo excluded") << "abX"
                                                           << "X" << 2 << 0;
    QTest::newRow("one character at upTo") << "aXbX"
                                           << "X" << 3 << 2;
}

void TestPageSearch::findBack() {
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(int, upTo);
    QFETCH(int, expected);
    QCOMPARE(pagetext::findBack(text, marker, upTo), expected);
}

void TestPageSearch::cut_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<QString>("expected");

    QTest::newRow("middle") << "abcdef" << 2 << 4 << true << "bc";
    QTest::newRow("empty when to equals from") << "abcdef" << 3 << 3 << true << "";
    QTest::newRow("shorter at end of text") << "abc" << 2 << 10 << true << "bc";
    QTest::newRow("from past end") << "abc" << 5 << 9 << true << "";
    QTest::newRow("negative length") << "abc" << 3 << 2 << false << "";
    QTest::newRow("missing end") << "abc" << 2 << 0 << false << "";
    QTest::newRow("missing start") << "abc" << 0 << 2 << false << "";
}

void TestPageSearch::cut() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, hasValue);
    QFETCH(QString, expected);
    const std::optional<QString> value = pagetext::cut(text, from, to);
    QCOMPARE(value.has_value(), hasValue);
    if (hasValue)
        QCOMPARE(*value, expected);
}

void TestPageSearch::between_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("end");

    QTest::newRow("two markers") << "<a href=\"x\">Bob</a>" << 1 << "href=\""
                                 << "\">"
                                 << "</a>" << true << "Bob" << 16;
    QTest::newRow("one marker") << "rate：<em>99%</em>" << 1 << "<em>"
                                << ""
                                << "</em>" << true << "99%" << 13;
    QTest::newRow("close searched from last marker")
        << "</a><a href=\"x\">Bob</a>" << 1 << "href=\""
        << "\">"
        << "</a>" << true << "Bob" << 20;
    QTest::newRow("first marker missing") << "abc</a>" << 1 << "href=\""
                                          << "\">"
                                          << "</a>" << false << "" << 0;
    QTest::newRow("close missing") << "<a href=\"x\">Bob" << 1 << "href=\""
                                   << "\">"
                                   << "</a>" << false << "" << 0;
    QTest::newRow("from missing") << "<a href=\"x\">Bob</a>" << 0 << "href=\""
                                  << "\">"
                                  << "</a>" << false << "" << 0;
}

void TestPageSearch::between() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, close);
    QFETCH(bool, hasValue);
    QFETCH(QString, expected);
    QFETCH(int, end);
    const pagetext::Span span = second.isEmpty()
                                    ? pagetext::between(text, from, {first}, close)
                                    : pagetext::between(text, from, {first, second}, close);
    QCOMPARE(span.value.has_value(), hasValue);
    if (hasValue)
        QCOMPARE(*span.value, expected);
    QCOMPARE(span.end, end);
}

QTEST_APPLESS_MAIN(TestPageSearch)
#include "TestPageSearch.moc"
