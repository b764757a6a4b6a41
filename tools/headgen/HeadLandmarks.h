#pragma once

#include "Vec3.h"

// Where the parts of the head sit, in the demo's world units (about 5.9 units to the
// centimetre). The face looks along +z, the head's axis is the y axis, the character's left
// is +x. Landmarks of paired features are given for the left side.
namespace landmarks {

inline constexpr double unitsPerCentimetre = 5.9;

inline constexpr double eyeballRadius = 7.0;
inline constexpr double corneaApex = 7.4;     // distance of the cornea's tip from the centre
inline constexpr double lidInnerRadius = 8.4; // the lids slide on this sphere
inline constexpr double lidThickness = 2.4;
inline const Vec3 leftEyeCentre{18.5, -10.0, 35.0};

// The lid opening in angles about the eye centre: azimuth (positive towards the ear) and
// elevation. The corners (canthi) are where the two lid margins meet.
inline constexpr double medialCanthusAzimuth = -0.84;
inline constexpr double lateralCanthusAzimuth = 1.04;
inline constexpr double upperLidHeight = 0.36; // elevation of the upper margin's top
inline constexpr double lowerLidDepth = 0.36;  // depression of the lower margin's bottom
inline constexpr double canthalTilt = 0.07;    // the outer corner sits this much higher

inline constexpr double mouthLineY = -54.0; // the lips meet here at the centre
inline constexpr double mouthCornerX = 15.5;
inline constexpr double mouthFrontZ = 53.0;
inline constexpr double mouthSlitHalfHeight = 0.55;

inline const Vec3 leftEarCentre{42.5, -19.0, -10.0};

inline const Vec3 jawHinge{0.0, -25.0, -6.0}; // the jaw turns about the x axis through here

inline constexpr double neckBottomY = -116.0;
inline constexpr double crownY = 66.0;

} // namespace landmarks
