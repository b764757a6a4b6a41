#pragma once

#include <string>

// A synthetic 60-second, 30 Hz capture of all 52 targets, 40 of them moving as real captures
// move about 40, with the head turning within a few tenths of a radian.
void writeCapture(const std::string& path);
