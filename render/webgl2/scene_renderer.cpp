// Scene drawing with WebGL 2: the camera's matrices, then each pass of the scene's pass table
// with its state, handed to the shader pair as uniforms.
#include "render/webgl2/scene_renderer.h"

#include "mesh/body_skin.h"
#include "render/grid_arrays.h"
#include "render/scene_passes.h"
#include "render/scene_view.h"
#include "render/webgl2/texture_upload.h"

#include <GLES3/gl3.h>

namespace {

// A vertex array object over one interleaved buffer of grid vertices and one of strips.
GLuint make_vertex_array(GLuint& vertex_buffer, const std::vector<float>& vertices, GLenum usage,
                         const std::vector<uint16_t>& strips) {
    GLuint array = 0, index_buffer = 0;
    glGenVertexArrays(1, &array);
    glBindVertexArray(array);
    glGenBuffers(1, &vertex_buffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)), vertices.data(),
                 usage);
    const GLsizei stride = grid_vertex_floats * sizeof(float);
    glEnableVertexAttribArray(attribute_position);
    glVertexAttribPointer(attribute_position, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(attribute_normal);
    glVertexAttribPointer(attribute_normal, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(3 * sizeof(float)));
    glEnableVertexAttribArray(attribute_texture);
    glVertexAttribPointer(attribute_texture, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(6 * sizeof(float)));
    glGenBuffers(1, &index_buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(strips.size() * sizeof(uint16_t)),
                 strips.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    return array;
}

void uniform(GLint at, const std::array<float, 4>& v) {
    glUniform4fv(at, 1, v.data());
}

void set_enabled(GLenum capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

} // namespace

WebGl2Renderer::WebGl2Renderer() {
    skin.resize(skin_side);
    body_vertices.resize(size_t(body_skin_vertex_count) * grid_vertex_floats);
}

void WebGl2Renderer::start_shaders() {
    pending_shaders = start_shader_program();
}

bool WebGl2Renderer::create(const GridMesh& floor, std::string& error) {
    state.cube_texture = state.floor_texture = 0;
    if (pending_shaders.program == 0) {
        start_shaders();
    }
    if (!finish_shader_program(pending_shaders, shaders, error)) {
        return false;
    }
    std::vector<float> floor_vertices(size_t(floor.n) * size_t(floor.n) * grid_vertex_floats);
    write_grid_vertices(floor, floor_vertices.data());
    std::vector<uint16_t> floor_strips;
    append_grid_strips(floor.n, 0, floor_strips);
    GLuint floor_buffer = 0;
    floor_array = make_vertex_array(floor_buffer, floor_vertices, GL_STATIC_DRAW, floor_strips);
    floor_index_count = int32_t(floor_strips.size());

    const std::vector<uint16_t> body_strips = body_skin_strips();
    GLuint buffer = 0;
    body_array = make_vertex_array(buffer, body_vertices, GL_DYNAMIC_DRAW, body_strips);
    body_buffer = buffer;
    body_index_count = int32_t(body_strips.size());
    return true;
}

TextureStatus WebGl2Renderer::set_texture(SceneTexture which, const BmpImage& image) {
    // Errors of earlier calls are not this upload's; WebGL keeps one flag per kind of error.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    const GLuint made = upload_texture(image);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &made);
        return TextureStatus::upload_failed;
    }
    uint32_t& texture = state.texture(which);
    const GLuint old = texture;
    texture = made;
    if (old != 0) {
        glDeleteTextures(1, &old);
    }
    return TextureStatus::ok;
}

void WebGl2Renderer::resize(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    state.width = width;
    state.height = height;
}

void WebGl2Renderer::draw(const FrameView& frame) {
    const Matrix4 projection = projection_matrix(state.width, state.height);
    const Matrix4 view = view_matrix(frame.time);
    // State of the whole frame, set again every frame: depth test on with GL_LESS and clear
    // depth 1, depth writes on; back faces culled, counter-clockwise front faces; no
    // blending; the clear colour; the shader pair with the camera, light 0 at light_position
    // (turned into eye space by the view, as glLightfv does) and the material of
    // scene_lighting. Texture unit 0 samples whichever texture a pass binds.
    const SceneLighting& look = scene_lighting;
    const ShaderUniforms& at = shaders.uniforms;
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glClearDepthf(1.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glDisable(GL_BLEND);
    glClearColor(look.clear_colour[0], look.clear_colour[1], look.clear_colour[2],
                 look.clear_colour[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glUseProgram(shaders.program);
    glUniformMatrix4fv(at.projection, 1, GL_FALSE, projection.data());
    uniform(at.light_eye, transform_point(view, light_position));
    uniform(at.light_ambient, look.light_ambient);
    uniform(at.light_diffuse, look.light_diffuse);
    uniform(at.light_specular, look.light_specular);
    std::array<float, 4> scene_ambient{};
    for (size_t c = 0; c < 4; ++c) {
        scene_ambient[c] =
            look.material_emission[c] + look.material_ambient[c] * look.model_ambient[c];
    }
    uniform(at.scene_ambient, scene_ambient);
    uniform(at.material_ambient, look.material_ambient);
    uniform(at.material_diffuse, look.material_diffuse);
    uniform(at.material_specular, look.material_specular);
    glUniform1f(at.shininess, look.material_shininess);
    glUniform1i(at.texture, 0);
    glActiveTexture(GL_TEXTURE0);
    body_written = false;

    for (const PassState& pass : scene_passes) {
        glUniform1i(at.lit, pass.lit);
        glUniform4f(at.colour, pass.colour[0], pass.colour[1], pass.colour[2], 1.0f);
        set_enabled(GL_DEPTH_TEST, pass.depth_test); // off: depth neither tested nor written
        glUniform1i(at.sphere_map, pass.sphere_map);
        glUniform1i(at.textured, pass.texture != PassTexture::none);
        if (pass.texture != PassTexture::none) {
            glBindTexture(GL_TEXTURE_2D, pass.texture == PassTexture::cube ? state.cube_texture
                                                                           : state.floor_texture);
        }
        // Derived from the light every frame, so the shadow always agrees with it.
        const Matrix4 modelview =
            pass.flatten ? multiply(view, shadow_matrix(light_position)) : view;
        glUniformMatrix4fv(at.modelview, 1, GL_FALSE, modelview.data());
        if (pass.lit || pass.sphere_map) {
            // Only these passes read normals; a flattening modelview has no inverse.
            glUniformMatrix3fv(at.normal_matrix, 1, GL_FALSE, normal_matrix(modelview).data());
        }

        if (pass.geometry == PassGeometry::floor_grid) {
            glBindVertexArray(floor_array);
            glDrawElements(GL_TRIANGLE_STRIP, floor_index_count, GL_UNSIGNED_SHORT, nullptr);
        } else {
            glBindVertexArray(body_array);
            if (!body_written) {
                write_body_skin_vertices(frame.body, skin, body_vertices.data());
                glBindBuffer(GL_ARRAY_BUFFER, body_buffer);
                glBufferSubData(GL_ARRAY_BUFFER, 0,
                                GLsizeiptr(body_vertices.size() * sizeof(float)),
                                body_vertices.data());
                body_written = true;
            }
            glDrawElements(GL_TRIANGLE_STRIP, body_index_count, GL_UNSIGNED_SHORT, nullptr);
        }
    }
    glBindVertexArray(0);
    glEnable(GL_DEPTH_TEST);
}
