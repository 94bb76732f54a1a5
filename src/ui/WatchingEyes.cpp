#include "WatchingEyes.h"

#include "EyeImage.h"
#include "Notice.h"
#include "Twips.h"
#include "UserGuide.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace {

QRect pixelRect(const eyes::Box& box, float left, float top) {
    return QRect(twips::toPixels(left), twips::toPixels(top), twips::toPixels(box.width),
                 twips::toPixels(box.height));
}

} // namespace

WatchingEyes::WatchingEyes(QWidget* window)
    : QObject(window)
    , window_(window)
    , pupils_{eyes::LeftPupil.left, eyes::LeftPupil.top, eyes::RightPupil.left,
              eyes::RightPupil.top}
    , openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , guideFile_(userguide::guideFile(QCoreApplication::applicationDirPath())) {
    const std::array<eyes::Box, 2> whiteBoxes{eyes::LeftEye, eyes::RightEye};
    const std::array<QString, 2> whitePictures{QStringLiteral(":/zembrel/eye-red.png"),
                                               QStringLiteral(":/zembrel/eye-gold.png")};
    for (std::size_t i = 0; i < whites_.size(); ++i) {
        whites_[i] = new EyeImage(whitePictures[i], window);
        whites_[i]->setObjectName(QStringLiteral("Image1_%1").arg(i));
        whites_[i]->setGeometry(pixelRect(whiteBoxes[i], whiteBoxes[i].left, whiteBoxes[i].top));
    }
    for (std::size_t i = 0; i < pupilImages_.size(); ++i) {
        pupilImages_[i] = new EyeImage(QStringLiteral(":/zembrel/pupil.png"), window);
        pupilImages_[i]->setObjectName(QStringLiteral("Image2_%1").arg(i));
    }
    for (EyeImage* image : whites_)
        connect(image, &EyeImage::clicked, this, &WatchingEyes::openGuide);
    for (EyeImage* image : pupilImages_) {
        connect(image, &EyeImage::clicked, this, &WatchingEyes::openGuide);
        image->raise();
    }
    movePupils();
}

void WatchingEyes::pointerMoved(float x, float y) {
    if (const std::optional<eyes::PupilPlaces> places = eyes::placePupils(x, y)) {
        pupils_ = *places;
        movePupils();
    }
}

void WatchingEyes::movePupils() {
    pupilImages_[0]->setGeometry(pixelRect(eyes::LeftPupil, pupils_.leftX, pupils_.leftY));
    pupilImages_[1]->setGeometry(pixelRect(eyes::RightPupil, pupils_.rightX, pupils_.rightY));
}

void WatchingEyes::openGuide() {
    if (guideFile_.isEmpty())
        showNotice(window_, QStringLiteral("找不到使用说明：程序没有完整安装。"));
    else if (!openUrl_(QUrl::fromLocalFile(guideFile_)))
        showNotice(window_, QStringLiteral("无法启动浏览器。使用说明在：\n") + guideFile_);
}
