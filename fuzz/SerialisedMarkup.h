#pragma once

#include <QString>
#include <QStringList>
#include <utility>

// Markup written by the same rules as the embedded browser's body
// serialiser: upper-case tag names; attributes as ` name="value"` with & and
// " escaped, an IMG's src last; text with &, <, > and U+00A0 escaped; SCRIPT and STYLE text as
// it is; no end tag for void elements; comments as they are.
class SerialisedMarkup {
public:
    using Attributes = QList<std::pair<QString, QString>>;

    static QString escapeText(const QString& text);
    static QString escapeAttribute(const QString& value);
    static bool isVoid(const QString& tag);

    // Opens an element (tag given in any case); a void element is complete.
    void open(const QString& tag, const Attributes& attributes = {});
    // Closes the innermost open element; nothing when none is open.
    void close();
    void text(const QString& text);
    void comment(const QString& text);
    // Closes every open element and gives the markup.
    QString finish();

    QString markup() const { return markup_; }

private:
    QString markup_;
    QStringList open_;
};
