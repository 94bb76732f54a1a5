#include "MarketFaults.h"

#include "TestMarket.h"

#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace {

// How long a half-sent body waits before the reset, so that the client has
// read what was sent; and the pace of a trickled answer.
constexpr int ResetAfterMs = 200;
constexpr int TrickleIntervalMs = 1000;

// Endless headers go out as fast as the client reads them, this much at a
// time once the previous batch has left.
constexpr qsizetype HeaderBatchBytes = 256 * 1024;

QByteArray contentLength(qsizetype length) {
    return "Content-Length: " + QByteArray::number(length);
}

// Ends the connection with a TCP reset instead of an orderly close: closing
// a socket that lingers zero seconds sends RST.
void resetConnection(QTcpSocket& socket) {
    const linger noLinger{1, 0};
    ::setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    socket.abort();
}

// Header lines, never the blank line that would end them.
void writeMoreHeaders(QTcpSocket& socket) {
    if (socket.bytesToWrite() > 0)
        return;
    const QByteArray line = "X-Padding: " + QByteArray(1000, 'a') + "\r\n";
    socket.write(line.repeated(HeaderBatchBytes / line.size()));
}

// Writes the first byte now and the rest one byte a second, then closes.
void trickle(QTcpSocket& socket, const QByteArray& rest) {
    if (rest.isEmpty()) {
        socket.disconnectFromHost();
        return;
    }
    socket.write(rest.left(1));
    QTimer::singleShot(TrickleIntervalMs, &socket,
                       [&socket, rest] { trickle(socket, rest.mid(1)); });
}

} // namespace

void playFault(MarketFault fault, QTcpSocket& socket, const MarketPage& page) {
    switch (fault) {
    case MarketFault::NeverAnswer:
        return;
    case MarketFault::CloseWithoutAnswer:
        socket.disconnectFromHost();
        return;
    case MarketFault::ResetBeforeAnswer:
        resetConnection(socket);
        return;
    case MarketFault::EndlessHeaders:
        socket.write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n");
        QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket,
                         [&socket] { writeMoreHeaders(socket); });
        writeMoreHeaders(socket);
        return;
    case MarketFault::CutBodyShort:
        socket.write(page.head(contentLength(page.body.size() + 1024), true) + page.body);
        socket.disconnectFromHost();
        return;
    case MarketFault::BadChunkSize:
        socket.write(page.head("Transfer-Encoding: chunked", true) +
                     QByteArray::number(page.body.size(), 16) + "\r\n" + page.body +
                     "\r\nzz\r\n\r\n");
        socket.disconnectFromHost();
        return;
    case MarketFault::ResetMidBody:
        socket.write(page.head(contentLength(page.body.size()), true) +
                     page.body.left(page.body.size() / 2));
        QTimer::singleShot(ResetAfterMs, &socket, [&socket] { resetConnection(socket); });
        return;
    case MarketFault::Trickle:
        socket.write(page.head(contentLength(page.body.size()), true));
        trickle(socket, page.body);
        return;
    }
}

MarketPage withFault(MarketPage page, MarketFault fault) {
    page.headers.append({QByteArray(TestMarket::FaultMark), QByteArray::number(int(fault))});
    return page;
}
