#pragma once

class QWebEngineCertificateError;

// Answers the browser's refusal of a server's certificate. The browser
// trusts only its own built-in authorities, while plain fetches trust the
// system's store (/etc/ssl/certs), where an administrator may have added one,
// e.g. that of a company's inspecting proxy. A certificate refused only
// because the browser does not know its authority is accepted when its chain
// verifies for the page's host against the system's store, with no error at
// all; every other refusal stands: a wrong name, an expired or self-signed
// certificate, an authority no store holds.
void answerCertificateError(QWebEngineCertificateError error);
