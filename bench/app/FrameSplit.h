#pragma once

class Scene;

// Where a frame's time goes on the renderer: the demo's frame, then the same two draws with
// simpler shaders, then a frame with no draw at all. Each figure is the median of many frames,
// each waited for until its picture is finished. Prints a table, then the back-to-back pace of
// the demo frame at its level of detail and at full detail. Returns the CPU time, all threads,
// of one finished demo frame at the detail the scene had when called.
double printFrameSplit(Scene& scene);

// The CPU time of all the process's threads so far.
double processCpuMilliseconds();
