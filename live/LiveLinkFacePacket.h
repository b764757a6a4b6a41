#pragma once

#include "live/LiveFrame.h"
#include "live/PacketRefusal.h"

#include <cstddef>
#include <span>

// The phone app's face stream, one datagram a frame, all big-endian: a version byte (6, or the
// older 5), the device id and the subject name each as an int32 length and that many UTF-8
// bytes, the frame time (int32 frame, float32 sub-frame, int32 rate numerator and denominator),
// then a count byte and that many float32 values: the 52 shapes in the tracker's order and the
// nine angles. While tracking is lost the packet ends after the frame time.
//
// Parses into `frame`, reusing its storage; on a refusal `frame` is left in an unspecified
// state. Values must be finite, shapes are taken as sent (the binding clamps them) and angles
// past a full turn are refused.
PacketRefusal parseLiveLinkFace(std::span<const std::byte> datagram, LiveFrame& frame);
