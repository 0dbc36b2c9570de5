// The browser's callbacks, and the functions that the page's controls call (exported from
// the module under their C names).
#pragma once

// Fits the canvas to the window, listens for resizes, keys and the context's loss, runs the
// first frame, then asks for animation frames until the program stops.
void start_callbacks();
