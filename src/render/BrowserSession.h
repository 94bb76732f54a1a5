#pragma once

#include <QObject>
#include <QString>

class LockedDownPage;
class QWebEngineProfile;

// What every page of the embedded browser shares: the locked-down profile
// with its local-address guard, its cookies (in memory only), the script
// that keeps a page from following its download links, and the scripts run
// in the pages. The pages are its children, so that they all go before the
// profile they were made with.
class BrowserSession : public QObject {
    Q_OBJECT

public:
    BrowserSession();
    ~BrowserSession() override;

    // A fresh guarded page; it lives until it is deleted or the session ends.
    LockedDownPage* newPage();

    // Forgets every cookie the pages were given.
    void dropCookies();

    // Reports whether the document has finished loading ("complete") and the
    // delay of a pending meta refresh in seconds, or -1 ("refresh").
    const QString& documentStateScript() const { return documentStateScript_; }
    // Serialises the document's body as the run reads it; null for a body
    // longer than PageLoad::MaxBodyLength.
    const QString& serializeBodyScript() const { return serializeBodyScript_; }

private:
    QWebEngineProfile* profile_ = nullptr;
    QString documentStateScript_;
    QString serializeBodyScript_;
};
