#include "EyeImage.h"

#include <QMouseEvent>

EyeImage::EyeImage(const QString& picture, QWidget* parent)
    : QLabel(parent) {
    setPixmap(QPixmap(picture));
    setScaledContents(true);
    setToolTip(QStringLiteral("看累了..帮我揉揉眼睛吧！"));
    setCursor(Qt::PointingHandCursor);
}

void EyeImage::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

// A click is a press and a release of the left button on the same picture.
void EyeImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}
