#include "WebAddress.h"

#include <QRegularExpression>

QUrl webAddress(const QString& address) {
    static const QRegularExpression schemePattern(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const QString trimmed = address.trimmed();
    const QString full =
        schemePattern.match(trimmed).hasMatch() ? trimmed : QStringLiteral("http://") + trimmed;
    QUrl url(full, QUrl::TolerantMode);
    const QString scheme = url.scheme(); // QUrl keeps schemes in lower case
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}
