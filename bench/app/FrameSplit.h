#pragma once

class Scene;

// Where a frame's time goes on the renderer: the demo's frame, then the same two draws with
// simpler shaders, then a frame with no draw at all. Each figure is the median of many frames,
// each waited for until its picture is finished. Prints a table.
void printFrameSplit(Scene& scene);
