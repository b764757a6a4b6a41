#pragma once

// Yardsticks that run in a fresh process of this benchmark, so nothing of the demo (Qt widgets,
// the driver, the state a library call leaves behind) is there yet.

// Child modes: each prints one figure in milliseconds and returns the exit status.
// A bare Qt window with the demo's 4.5 core context, from process start to its first
// presented frame.
int runBareWindow(int argc, char** argv);
// The noise volume computed in a process that has done nothing else.
int runBareNoiseVolume();

// The median figure of several child runs of this benchmark in the given mode.
double medianOfChildRuns(const char* mode, int runs);

// The noise volume computed here, in the running demo: the median of a few runs.
double noiseVolumeMilliseconds();

// How long ago the kernel started this process, from /proc (10 ms steps).
double millisecondsSinceProcessStart();
