#pragma once

// One drawing of Pipwren: where the bird is and what its parts are doing.
// Every animation frame is a pose; equal poses share one image.

#include <QPointF>

namespace pipwren {

struct WrenPose
{
    // Shift of the whole bird in pixels (y grows downwards).
    QPointF offset{0, 0};
    double scale = 1.0;
    // Positive squashes towards the ground (a crouch), negative stretches.
    double squash = 0.0;
    // Whole-body rotation in degrees, clockwise; a take-off leans back (negative).
    double bodyTilt = 0.0;
    // Extra tail angle in degrees; positive cocks it further up.
    double tailLift = 0.0;
    // 0 folded, 1 raised above the back; negative beats it down (in flight).
    double wingLift = 0.0;
    // The far wing only shows above the back when it is raised past the body.
    double farWingLift = 0.0;
    // Head rotation in degrees; positive looks down.
    double headTilt = 0.0;
    // 1 open, 0 shut; in between the lid is half down.
    double eyeOpen = 1.0;
    // A closed eye drawn as a happy curve instead of a lid.
    bool happyEyes = false;
    bool beakOpen = false;
    bool legsTucked = false;
    bool letter = false;
    bool singing = false;

    bool operator==(const WrenPose&) const = default;
};

} // namespace pipwren
