#pragma once

#include <QByteArray>
#include <QSslConfiguration>

// The certificates a test server presents over TLS, made by
// tests/support/certs/make-certs.sh. All but WrongName are for the
// marketplace's names: *.taobao.com, taobao.com, s.click.taobao.com and
// *.tmall.com.
namespace testcerts {

enum class Certificate {
    Good,             // signed by the test authority
    WrongName,        // for *.example.com, signed by the test authority
    Expired,          // signed by the test authority, valid only in 2000
    SelfSigned,       // signed by its own key
    UnknownAuthority, // signed by an authority that no store holds
};

// The test authority's certificate (PEM), for a store that is to trust it.
QByteArray authorityPem();

// A server's TLS configuration presenting `certificate` with its key.
QSslConfiguration serverConfiguration(Certificate certificate);

} // namespace testcerts
