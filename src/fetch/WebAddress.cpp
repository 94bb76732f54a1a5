#include "WebAddress.h"

#include <QRegularExpression>

QUrl webAddress(const QString& address) {
    // A leading "name:" is a scheme ("file:/x", "javascript:", "mailto:a@b"),
    // unless a port number follows it ("myshop.taobao.com:8080/list").
    static const QRegularExpression schemePattern(
        QStringLiteral(R"(^[A-Za-z][A-Za-z0-9+.-]*:(?!\d+(?:[/?#]|$)))"));
    const QString trimmed = address.trimmed();
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
