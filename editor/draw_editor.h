// The one drawing of the editor. Each caller gives a size (a canvas) and
// the values: the window, a PNG for the guide and the tests, and the small
// picture in a host's mixer strip all draw with these.
#pragma once

#include "editor/canvas.h"
#include "editor/editor_picture.h"

// The whole editor at `scale` (1 is kEditorWidth x kEditorHeight); the
// canvas must be that size, rounded.
void drawEditor(Canvas& canvas, const EditorPicture& picture, double scale);

// The step and its envelopes alone, fitted to any canvas: what a host shows
// in its mixer strip. No text.
void drawStepThumbnail(Canvas& canvas, const EditorPicture& picture);
