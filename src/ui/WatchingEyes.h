#pragma once

#include "PupilPlacement.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <array>
#include <functional>

class EyeImage;
class QWidget;

// The two eyes at the right end of the window's top row: their pupils turn
// towards the pointer, and a click on any eye or pupil opens the user guide
// in the user's browser. When the guide is missing or no browser starts, a
// message box says so.
class WatchingEyes : public QObject {
    Q_OBJECT

public:
    // Opens a page in the user's browser; false when none could be started.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Places the four pictures on `window`, pupils above the eye whites.
    explicit WatchingEyes(QWidget* window);

    // The pointer position as the window's handler received it, in twips.
    void pointerMoved(float x, float y);

    // Top-left corners of the pupils, in twips.
    const eyes::PupilPlaces& pupils() const { return pupils_; }

    // Opens the user guide in the browser, or says why it cannot.
    void openGuide();

    // Replaces the call that opens a page in the browser.
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }
    // The guide's file; at first the one found from the running program's
    // folder, empty when there is none.
    void setGuideFile(const QString& path) { guideFile_ = path; }

private:
    void movePupils();

    QWidget* window_;
    std::array<EyeImage*, 2> whites_{};
    std::array<EyeImage*, 2> pupilImages_{};
    eyes::PupilPlaces pupils_;
    UrlOpener openUrl_;
    QString guideFile_;
};
