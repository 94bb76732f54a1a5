#include "TestCertificates.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

namespace testcerts {

namespace {

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/certs/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fileOf(Certificate certificate) {
    switch (certificate) {
    case Certificate::Good:
        return QStringLiteral("good.pem");
    case Certificate::WrongName:
        return QStringLiteral("wrong-name.pem");
    case Certificate::Expired:
        return QStringLiteral("expired.pem");
    case Certificate::SelfSigned:
        return QStringLiteral("self-signed.pem");
    case Certificate::UnknownAuthority:
        return QStringLiteral("unknown-ca.pem");
    }
    return {};
}

} // namespace

QByteArray authorityPem() {
    return resource(QStringLiteral("authority.pem"));
}

QSslConfiguration serverConfiguration(Certificate certificate) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(resource(fileOf(certificate))));
    tls.setPrivateKey(QSslKey(resource(QStringLiteral("server-key.pem")), QSsl::Ec));
    return tls;
}

} // namespace testcerts
