#include "PupilPlacement.h"

#include <cmath>

namespace eyes {

std::optional<PupilPlaces> placePupils(float x, float y, const Box& eye, const Box& pupil) {
    const double cx = eye.left + eye.width / 2.0;
    const double cy = eye.top + eye.height / 2.0;
    const double dx = x - cx;
    const double dy = y - cy;
    const float d = float(std::sqrt(dx * dx + dy * dy));
    const double r = eye.width / 2.0 - pupil.width / 2.0 - RimMargin;
    if (!std::isfinite(d) || d == 0)
        return std::nullopt;

    const float nx = float(dx * r / d + cx);
    const float ny = float(dy * r / d + cy);
    const float left = float(nx - pupil.width / 2.0);
    const float top = float(ny - pupil.height / 2.0);
    const float rightLeft = left + eye.width;
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(rightLeft))
        return std::nullopt;
    return PupilPlaces{left, top, rightLeft, top};
}

} // namespace eyes
