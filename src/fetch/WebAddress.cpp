#include "WebAddress.h"

#include <QRegularExpression>
#include <gumbo.h>
#include <memory>

namespace {

const GumboNode* firstLink(const GumboNode* node) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
        return nullptr;
    if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_A)
        return node;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        if (const GumboNode* link = firstLink(static_cast<const GumboNode*>(children.data[i])))
            return link;
    }
    return nullptr;
}

} // namespace

// The HTML parser decodes the value of a link made for it: the many named
// references, those without a semicolon and the rule that keeps "&copy=1"
// in a query as it is are the parser's business.
QString attributeText(const QString& written) {
    if (!written.contains(u'&'))
        return written;
    const QByteArray html =
        "<a href=\"" + QString(written).replace(u'"', QLatin1String("&quot;")).toUtf8() + "\">";
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> parsed(
        gumbo_parse_with_options(&kGumboDefaultOptions, html.constData(), size_t(html.size())),
        [](GumboOutput* output) { gumbo_destroy_output(&kGumboDefaultOptions, output); });
    const GumboNode* link = parsed ? firstLink(parsed->document) : nullptr;
    const GumboAttribute* href =
        link ? gumbo_get_attribute(&link->v.element.attributes, "href") : nullptr;
    return href ? QString::fromUtf8(href->value) : written;
}

QUrl webAddress(const QString& address) {
    // A leading "name:" is a scheme ("file:/x", "javascript:", "mailto:a@b"),
    // unless a port number follows it ("myshop.taobao.com:8080/list").
    static const QRegularExpression schemePattern(
        QStringLiteral(R"(^[A-Za-z][A-Za-z0-9+.-]*:(?!\d+(?:[/?#]|$)))"));
    const QString trimmed = attributeText(address).trimmed();
    QString full = trimmed;
    if (trimmed.startsWith(QLatin1String("//")))
        full.prepend(QLatin1String("http:")); // a scheme-relative address, as pages often write
    else if (!schemePattern.match(trimmed).hasMatch())
        full.prepend(QLatin1String("http://"));
    QUrl url(full, QUrl::TolerantMode);
    const QString scheme = url.scheme(); // QUrl keeps schemes in lower case
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

QString hostOf(const QString& address) {
    return webAddress(address).host().toLower();
}
