#pragma once

#include <QObject>
#include <QString>

class LockedDownPage;
class QWebEngineProfile;

// What every page of the embedded browser shares: the locked-down profile
// with its local-address guard, and the scripts run in the pages. The pages
// are its children, so that they all go before the profile they were made
// with.
class BrowserSession : public QObject {
    Q_OBJECT

public:
    BrowserSession();
    ~BrowserSession() override;

    // A fresh guarded page; it lives until it is deleted or the session ends.
    LockedDownPage* newPage();

    // Reports the delay of a pending meta refresh in seconds, or -1.
    const QString& pendingRefreshScript() const { return pendingRefreshScript_; }
    // Serialises the document's body as the run reads it.
    const QString& serializeBodyScript() const { return serializeBodyScript_; }

private:
    QWebEngineProfile* profile_ = nullptr;
    QString pendingRefreshScript_;
    QString serializeBodyScript_;
};
