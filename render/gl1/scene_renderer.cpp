// Scene drawing with OpenGL 1.1: an orbiting camera, then each pass of the scene's pass
// table with its fixed-function state.
#include "render/gl1/scene_renderer.h"

#include "mesh/body_skin.h"
#include "render/gl1/grid_draw.h"
#include "render/scene_passes.h"
#include "render/scene_view.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// State of the whole frame, set again every frame: depth test and face culling on, clear
// colour, light 0 at light_position, front material specular and shininess. The passes rely
// on OpenGL's initial values for the rest, which scene_lighting writes out: depth function
// GL_LESS and clear depth 1; back faces culled, counter-clockwise front faces; texture
// environment GL_MODULATE; smooth shading; no blending; GL_COLOR_MATERIAL and GL_NORMALIZE
// off; light 0 ambient black, diffuse and specular white; light model ambient 0.2 grey,
// one-sided, non-local viewer; material ambient 0.2 grey, diffuse 0.8 grey, emission black;
// the textures' own parameters as the upload leaves them.
void begin_frame() {
    const SceneLighting& look = scene_lighting;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glClearColor(look.clear_colour[0], look.clear_colour[1], look.clear_colour[2],
                 look.clear_colour[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHT0);
    // The modelview matrix is the view transform here, so the light stands at its world
    // position and turns with the world.
    glLightfv(GL_LIGHT0, GL_POSITION, light_position.data());
    glMaterialfv(GL_FRONT, GL_SPECULAR, look.material_specular.data());
    glMaterialf(GL_FRONT, GL_SHININESS, look.material_shininess);
}

void set_enabled(GLenum capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

// One pass: its state, its matrix, its geometry; then texturing, texture-coordinate
// generation and the depth test back as the frame has them, and the view transform restored.
// Lighting is left as the pass set it: the next pass sets its own.
void draw_pass(const PassState& pass, const FrameView& view, const RendererState& state,
               GridMesh& skin) {
    set_enabled(GL_LIGHTING, pass.lit);
    if (!pass.lit) {
        glColor3fv(pass.colour.data());
    }
    set_enabled(GL_DEPTH_TEST, pass.depth_test);
    if (pass.sphere_map) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    if (pass.texture != PassTexture::none) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D,
                      pass.texture == PassTexture::cube ? state.cube_texture : state.floor_texture);
    }
    if (pass.flatten) {
        // Derived from the light every frame, so the shadow always agrees with it.
        const std::array<float, 16> flatten = shadow_matrix(light_position);
        glPushMatrix();
        glMultMatrixf(flatten.data());
    }

    if (pass.geometry == PassGeometry::floor_grid) {
        draw_grid(view.floor);
    } else {
        draw_body_skin(view.body, skin);
    }

    if (pass.flatten) {
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_DEPTH_TEST);
}

} // namespace

Gl1Renderer::Gl1Renderer() {
    skin.resize(skin_side);
}

bool Gl1Renderer::create(const GridMesh&, std::string&) {
    state.cube_texture = state.floor_texture = 0;
    return true;
}

void Gl1Renderer::resize(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    state.width = width;
    state.height = height;
}

void Gl1Renderer::setup_camera(double time) const {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(field_of_view_degrees, projection_aspect(state.width, state.height),
                   near_distance, far_distance);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -eye_distance);
    glRotatef(tilt_degrees, 1.0f, 0.0f, 0.0f);
    glRotatef(view_turn_degrees(time), 0.0f, 1.0f, 0.0f);
}

void Gl1Renderer::draw(const FrameView& view) {
    setup_camera(view.time);
    begin_frame();
    for (const PassState& pass : scene_passes) {
        draw_pass(pass, view, state, skin);
    }
}
