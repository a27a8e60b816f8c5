// Control of the full-screen presenters' graph (g_FullScreenGraph), called
// by their keys and mouse buttons on the window's thread (ToggleFrameStep
// also by the grab renderer). They share g_nPlayState and the frame-step
// marker with the grab renderer. Every operation does nothing while the
// graph has no media control (the release excepted). A failing pause, run or stop leaves the play
// state and the marker as they were; failing seeks are ignored.
#pragma once

// Running: pause. Paused: run. Stopped: rewind and run.
void TogglePauseResume();

// Running: pause. Paused or stopped: rewind and run.
void ToggleRestart();

// A frame step: runs a paused or stopped graph with the step marker set;
// the grab renderer's next frame calls it again, which pauses the graph and
// clears the marker, so exactly one new frame shows.
void ToggleFrameStep();

// Paused or stopped: one frame back. The graph counts in frames from then
// on, so positions saved from it are frame numbers. A graph that cannot
// count in frames goes back one frame time of the renderer's type.
void StepFrameBack();

// Seeks to g_llSavedPosition.
void SeekSavedPosition();

// g_llSavedPosition := the current position; g_nSavedState := Running when
// the graph runs, else Paused.
void SaveFullScreenPosition();

// A movie file that plays: stop it (state Stopped; no step stays pending).
void StopFileGraph();

// Takes the graph's pending events (movie files only). At the end of the
// movie: stop, or with "nRepeat" rewind and go on.
void HandleGraphEvents();

// Stops a movie file's graph and releases every reference of
// g_FullScreenGraph, and the grab renderer's pictures.
void ReleaseFullScreenGraph();
