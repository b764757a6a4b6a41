#pragma once

#include "AdaptiveSurface.h"

// How finely each part of the head is meshed. Every part gets edges short enough to follow its
// bends; beyond that the skin spends its vertices where the demo's camera sees detail.
AdaptiveMeshing skinMeshing();
AdaptiveMeshing teethMeshing();
AdaptiveMeshing eyeballMeshing();
AdaptiveMeshing tongueMeshing();
