#pragma once

#include "PupilPlacement.h"

#include <QObject>
#include <QUrl>
#include <array>
#include <functional>

class EyeImage;
class QWidget;

// The vendor's web page, opened by a click on the eyes.
inline const QString VendorPageAddress = QStringLiteral("https://zembrel.example.com/");

// The two eyes at the right end of the window's top row: their pupils turn
// towards the pointer, and a click on any eye or pupil opens
// VendorPageAddress in the user's browser.
class WatchingEyes : public QObject {
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    // Places the four pictures on `window`, pupils above the eye whites.
    explicit WatchingEyes(QWidget* window);

    // The pointer position as the window's handler received it, in twips.
    void pointerMoved(float x, float y);

    // Top-left corners of the pupils, in twips.
    const eyes::PupilPlaces& pupils() const { return pupils_; }

    // Replaces the call that opens a web page; a failure is never reported.
    void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

private:
    void movePupils();
    void openVendorPage();

    std::array<EyeImage*, 2> whites_{};
    std::array<EyeImage*, 2> pupilImages_{};
    eyes::PupilPlaces pupils_;
    UrlOpener openUrl_;
};
