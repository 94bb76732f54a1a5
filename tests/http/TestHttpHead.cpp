#include "HttpHead.h"

#include <QTest>
#include <tuple>

namespace {

// The head read from `input` written back, a "|" and what follows it; or
// how the reading ended.
QByteArray readBack(const QByteArray& input) {
    const HttpHeadRead read = HttpHead::read(input, 64);
    if (read.outcome != HttpHeadRead::Outcome::Complete)
        return read.outcome == HttpHeadRead::Outcome::Invalid ? "invalid" : "incomplete";
    return read.head.bytes() + '|' + input.mid(read.length);
}

} // namespace

class TestHttpHead : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("input"); // read with a cap of 64 bytes
        QTest::addColumn<QByteArray>("read");
        const QByteArray get = "GET / HTTP/1.1\r\n";
        const QByteArray full = get + "X: " + QByteArray(41, 'x') + "\r\n\r\n"; // 64 bytes
        const QByteArray invalid = "invalid";
        const QList<std::tuple<const char*, QByteArray, QByteArray>> rows{
            {"what follows stays", get + "Host: a\r\n\r\nbody", get + "Host: a\r\n\r\n|body"},
            {"LF line ends, blanks around values", "GET / HTTP/1.1\nHost:\t a \nX:\r\n\r\n",
             get + "Host: a\r\nX: \r\n\r\n|"},
            {"ends at the first blank line", get + "\r\n" + get, get + "\r\n|" + get},
            {"no end yet", get + "Host: a\r\n\r", "incomplete"},
            {"64 bytes", full, full + '|'},
            {"65 bytes", 'x' + full, invalid},
            {"63 bytes, no end", full.chopped(1), "incomplete"},
            {"64 bytes, no end", full.chopped(1) + 'x', invalid},
            {"empty first line", "\r\nHost: a\r\n\r\n", invalid},
            {"empty line inside", "GET / HTTP/1.1\n\nHost: a\r\n\r\n", invalid},
            {"folded line", get + "X: a\r\n b\r\n\r\n", invalid},
            {"no colon", get + "Host\r\n\r\n", invalid},
            {"space before the colon", get + "Host : a\r\n\r\n", invalid},
            {"no name", get + ": a\r\n\r\n", invalid},
            {"name not a token", get + "X(1): a\r\n\r\n", invalid},
            {"CR inside a line", get + "X: a\rHost: b\r\n\r\n", invalid},
            {"CR before the blank line", get + "X: a\r\r\n\r\n", invalid},
            {"NUL in a value", get + "X: a" + '\0' + "b\r\n\r\n", invalid},
            {"NUL in the first line", QByteArray("GET /\0 HTTP/1.1\r\n\r\n", 20), invalid},
        };
        for (const auto& [name, input, read] : rows)
            QTest::newRow(name) << input << read;
    }

    void read() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, read);
        QCOMPARE(readBack(input), read);
    }

    void requestLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("parts"); // empty when no request line
        QTest::newRow("absolute") << QByteArray("GET http://a/b?c HTTP/1.1")
                                  << QByteArray("GET|http://a/b?c|HTTP/1.1");
        QTest::newRow("authority")
            << QByteArray("CONNECT a:443 HTTP/1.0") << QByteArray("CONNECT|a:443|HTTP/1.0");
        for (const char* line :
             {"GET  / HTTP/1.1", "GET / HTTP/1.1 ", "GET /", "GET / HTTP/2", "GET / HTTP/1.1x",
              "G@T / HTTP/1.1", "GET /\ta HTTP/1.1", "HTTP/1.1 200 OK"})
            QTest::newRow(line) << QByteArray(line) << QByteArray();
    }

    void requestLine() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, parts);
        const std::optional<HttpHead::RequestLine> read = HttpHead(line).requestLine();
        QCOMPARE(read ? read->method + '|' + read->target + '|' + read->version : QByteArray(),
                 parts);
    }

    void removeHopByHop_data() {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("by name, any case")
            << QByteArray("Connection: keep-alive\r\nproxy-connection: x\r\nKEEP-ALIVE: 5\r\n"
                          "Proxy-Authorization: Basic dTpw\r\nAccept: */*\r\n")
            << QByteArray("Accept: */*\r\n");
        QTest::newRow("named by Connection fields")
            << QByteArray(
                   "Connection: close, x-a\r\nX-A: 1\r\nX-B: 2\r\nConnection: X-B\r\nX-C: 3\r\n")
            << QByteArray("X-C: 3\r\n");
        QTest::newRow("not Host and the body's framing")
            << QByteArray("Connection: Host, content-length,Transfer-Encoding\r\nHost: a\r\n"
                          "Content-Length: 1\r\nTransfer-Encoding: chunked\r\n")
            << QByteArray("Host: a\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\n");
    }

    void removeHopByHop() {
        QFETCH(QByteArray, fields);
        QFETCH(QByteArray, kept);
        HttpHead head = HttpHead::read("HTTP/1.1 200 OK\r\n" + fields + "\r\n", 1024).head;
        head.removeHopByHop();
        QCOMPARE(head.bytes(), "HTTP/1.1 200 OK\r\n" + kept + "\r\n");
    }
};

QTEST_APPLESS_MAIN(TestHttpHead)
#include "TestHttpHead.moc"
