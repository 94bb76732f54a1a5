#include "SerialisedMarkup.h"

#include <QSet>

QString SerialisedMarkup::escapeText(const QString& text) {
    QString escaped = text;
    escaped.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
    return escaped.replace(QChar(0xa0), QStringLiteral("&nbsp;"));
}

QString SerialisedMarkup::escapeAttribute(const QString& value) {
    QString escaped = value;
    return escaped.replace(u'&', QStringLiteral("&amp;")).replace(u'"', QStringLiteral("&quot;"));
}

bool SerialisedMarkup::isVoid(const QString& tag) {
    static const QSet<QString> tags{u"AREA"_qs,  u"BASE"_qs,   u"BR"_qs,    u"COL"_qs,  u"EMBED"_qs,
                                    u"HR"_qs,    u"IMG"_qs,    u"INPUT"_qs, u"LINK"_qs, u"META"_qs,
                                    u"PARAM"_qs, u"SOURCE"_qs, u"TRACK"_qs, u"WBR"_qs};
    return tags.contains(tag.toUpper());
}

void SerialisedMarkup::open(const QString& tag, const Attributes& attributes) {
    const QString name = tag.toUpper();
    markup_ += u'<' + name;
    QString source;
    for (const auto& [attribute, value] : attributes) {
        const QString written =
            u' ' + attribute.toLower() + QStringLiteral("=\"") + escapeAttribute(value) + u'"';
        if (name == u"IMG" && attribute.toLower() == u"src")
            source = written;
        else
            markup_ += written;
    }
    markup_ += source + u'>';
    if (!isVoid(name))
        open_.append(name);
}

void SerialisedMarkup::close() {
    if (!open_.isEmpty())
        markup_ += QStringLiteral("</") + open_.takeLast() + u'>';
}

void SerialisedMarkup::text(const QString& text) {
    const bool raw = !open_.isEmpty() && (open_.last() == u"SCRIPT" || open_.last() == u"STYLE");
    markup_ += raw ? text : escapeText(text);
}

void SerialisedMarkup::comment(const QString& text) {
    markup_ += QStringLiteral("<!--") + text + QStringLiteral("-->");
}

QString SerialisedMarkup::finish() {
    while (!open_.isEmpty())
        close();
    return markup_;
}
