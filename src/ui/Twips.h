#pragma once

#include <QPointF>
#include <QRect>
#include <QtNumeric>

// Window geometry is laid out in twips, 15 to a logical pixel.
namespace twips {

constexpr int PerPixel = 15;

constexpr int toPixels(double value) {
    return qRound(value / PerPixel);
}

constexpr QRect toPixels(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

constexpr QPointF fromPixels(const QPointF& point) {
    return point * PerPixel;
}

} // namespace twips
