// Control of the full-screen presenters' graph (g_FullScreenGraph). Every
// operation does nothing while the graph has no media control.
#pragma once

// A frame step: runs a paused or stopped graph with the step marker set;
// the grab renderer's next frame calls it again, which pauses the graph and
// clears the marker, so exactly one new frame shows.
void ToggleFrameStep();
