#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>
#include <utility>

struct HttpHeadRead;

// The head of one HTTP/1.x message, a request's or an answer's: its first
// line and its header fields, read from the bytes a peer sent and written
// back as bytes. Reading is strict wherever a lenient reader could see other
// fields or another end of the head than the next hop does, since whatever
// follows the head is passed on as it came:
// - the head ends at the first CR LF CR LF and takes at most maxBytes,
//   that blank line included;
// - lines end at LF, a CR before it belonging to the line end;
// - the first line is not empty; every other line is a field "name:value"
//   whose name is a token directly followed by the colon;
// - no line holds a CR or a NUL of its own.
// Anything else, a folded line or an empty line inside the head among them,
// makes the head invalid. Lines are written back ending in CR LF, a field
// as "name: value".
class HttpHead {
public:
    struct Field {
        QByteArray name;  // as sent
        QByteArray value; // without the spaces and tabs around it

        // Whether the field has this name, whatever its case.
        bool is(QByteArrayView other) const;
    };

    // A request line's three parts, each separated by one space.
    struct RequestLine {
        QByteArray method;  // a token
        QByteArray target;  // visible characters only
        QByteArray version; // HTTP/1.x
    };

    HttpHead() = default;
    explicit HttpHead(QByteArray startLine);

    // Reads the head at the start of `bytes`.
    static HttpHeadRead read(QByteArrayView bytes, qsizetype maxBytes);

    const QByteArray& startLine() const { return startLine_; }
    void setStartLine(QByteArray line) { startLine_ = std::move(line); }
    // The start line's parts, if it is a request line.
    std::optional<RequestLine> requestLine() const;

    const QList<Field>& fields() const { return fields_; }
    void append(QByteArray name, QByteArray value);
    // Removes every field of that name.
    void remove(QByteArrayView name);
    // Removes the fields that concern only one connection and are not passed
    // on to the next: Connection, Proxy-Connection, Keep-Alive,
    // Proxy-Authorization, and those that a Connection field names, except
    // Host and the body's framing (Content-Length, Transfer-Encoding), which
    // the next hop needs because the body is passed on as it came.
    void removeHopByHop();

    QByteArray bytes() const;

private:
    QByteArray startLine_;
    QList<Field> fields_;
};

// What reading a head off the front of a buffer found.
struct HttpHeadRead {
    enum class Outcome {
        Incomplete, // no end yet, and fewer than maxBytes bytes
        Complete,
        Invalid, // breaks a rule, or no end within maxBytes bytes
    };

    Outcome outcome = Outcome::Incomplete;
    HttpHead head;        // when Complete
    qsizetype length = 0; // when Complete: the bytes the head took, blank line included
};
