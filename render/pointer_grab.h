// A pointer on the canvas turned into each frame's grab: the ray under the pointer, the skin
// particle it picks, and the point the particle is pulled towards. Camera arithmetic only.
#pragma once

#include "render/scene_view.h"
#include "scene/grab.h"
#include "sim/jelly_body.h"

#include <cstdint>

struct PointerRay {
    Vec3 origin;    // world units
    Vec3 direction; // unit length
};

// The world ray under canvas point (x, y), in pixels from the top-left corner of a width x
// height canvas, seen through the camera at scene time `time`.
PointerRay pointer_ray(double time, int32_t width, int32_t height, double x, double y);

// The skin particle nearest to where `ray` first meets the body's skin, or -1 when the ray
// misses the body.
int pick_skin_particle(const JellyBody& body, const PointerRay& ray);

// A pointer that holds a particle: the particle, the depth of the plane facing the camera that
// it is pulled along, and where the pointer is now.
struct PointerHold {
    int particle = -1; // -1: nothing held
    float eye_depth = 0.0f;
    double x = 0.0;
    double y = 0.0;
};

// A press at (x, y) on a width x height canvas at scene time `time`: grabs the picked particle
// and returns true, or holds nothing and returns false when the press is off the body.
bool press_pointer(PointerHold& hold, const JellyBody& body, double time, int32_t width,
                   int32_t height, double x, double y);

// The grab of a frame at scene time `time`: the held particle pulled towards the point where
// the pointer's ray meets the hold's plane.
Grab grab_for_frame(const PointerHold& hold, double time, int32_t width, int32_t height);
