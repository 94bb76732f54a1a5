#pragma once

#include "MarketServer.h"

class QTcpSocket;

// Ways a marketplace server can fail, played by the test marketplace.
enum class MarketFault {
    CloseWithoutAnswer, // reads the request, then closes the connection
    CutBodyShort,       // announces more body bytes than it sends, then closes
    NeverAnswer,        // reads the request and keeps the connection silent
    ResetBeforeAnswer,  // reads the request, then resets the connection
    ResetMidBody,       // sends the head and half the body, then resets
    Trickle,            // sends the head, then the body one byte per second
    EndlessHeaders,     // sends the status line, then header lines until the client leaves
    BadChunkSize,       // sends the body as a chunk followed by an invalid chunk-size line
};

// `page`, answered with `fault` by the test marketplace (TestMarket).
MarketPage withFault(MarketPage page, MarketFault fault);

// Answers with `fault` on `socket`, `page` being the plain answer. Only
// NeverAnswer leaves the request unanswered.
void playFault(MarketFault fault, QTcpSocket& socket, const MarketPage& page);
