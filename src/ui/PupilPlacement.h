#pragma once

#include <optional>

// Where the watching eyes' pupils go when the pointer moves. All values are
// twips in window client coordinates, held in single precision.
namespace eyes {

struct Box {
    float left;
    float top;
    float width;
    float height;
};

// Eye whites and pupils as laid out in the window; the pupils start 45 twips
// straight below their eye's centre.
constexpr Box LeftEye{10560, 75, 360, 360};
constexpr Box RightEye{10920, 75, 360, 360};
constexpr Box LeftPupil{10680, 240, 120, 120};
constexpr Box RightPupil{11040, 240, 120, 120};

// How far a pupil's outer edge stays inside its eye's edge.
constexpr float RimMargin = 45;

// Top-left corners of the two pupils.
struct PupilPlaces {
    float leftX;
    float leftY;
    float rightX;
    float rightY;
};

// Turns the left pupil towards (x, y): its centre goes onto the circle of the
// travel radius around the left eye's centre, however near the pointer is.
// The right pupil copies it, shifted right by the left eye's width. No value
// when the result is not a finite number, as for a pointer exactly at the
// left eye's centre: the pupils then stay where they are.
std::optional<PupilPlaces> placePupils(float x, float y, const Box& eye = LeftEye,
                                       const Box& pupil = LeftPupil);

} // namespace eyes
