#pragma once

#include <QWebEnginePage>

class QWebEngineProfile;

// An off-the-record browser profile that runs scripts but has no plugins,
// no downloads, no pictures or icons and no access from local content to
// remote addresses. The caller owns it through `parent`.
QWebEngineProfile* createLockedDownProfile(QObject* parent);

// A page that is never shown: it loads no pictures, media or fonts (scripts
// and style sheets still run), opens no windows, denies every permission
// request, answers no dialogs, trusts the certificates the system's store
// trusts and no others (CertificateTrust.h), and reports each navigation of
// its main frame.
class LockedDownPage : public QWebEnginePage {
    Q_OBJECT

public:
    LockedDownPage(QWebEngineProfile* profile, QObject* parent);

signals:
    // A navigation of the main frame begins (redirects included).
    void mainFrameNavigation(const QUrl& url);
    // A navigation of the main frame was refused: its address is on this
    // machine or its network.
    void mainFrameRefused(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
};
