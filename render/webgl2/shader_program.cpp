// The fixed-function pipeline of the passes in GLSL ES 3.00. Per vertex, as OpenGL 1.1
// does it: the eye-space position and normal, the lighting equation of light 0 and the
// front material with its colour clamped before interpolation, and sphere-map texture
// coordinates. Per fragment: the interpolated colour, times the texel where textured
// (GL_MODULATE).
#include "render/webgl2/shader_program.h"

#include <GLES3/gl3.h>

namespace {

const char* const vertex_source = R"(#version 300 es
precision highp float;
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texture_in;

uniform mat4 projection;
uniform mat4 modelview;
uniform mat3 normal_matrix;
uniform bool lit;
uniform vec4 colour;
uniform vec4 light_eye;
uniform vec4 light_ambient;
uniform vec4 light_diffuse;
uniform vec4 light_specular;
uniform vec4 scene_ambient;
uniform vec4 material_ambient;
uniform vec4 material_diffuse;
uniform vec4 material_specular;
uniform float shininess;
uniform bool sphere_map;

out vec4 vertex_colour;
out vec2 vertex_texture;

void main() {
    vec4 eye = modelview * vec4(position, 1.0);
    gl_Position = projection * eye;
    // Not renormalised: GL_NORMALIZE is off, and the view only turns and moves.
    vec3 n = normal_matrix * normal;
    vec3 v = eye.xyz / eye.w;

    if (lit) {
        // A positional light, no attenuation, no spot; a non-local viewer looks along -z.
        vec3 l = normalize(light_eye.xyz / light_eye.w - v);
        float n_dot_l = dot(n, l);
        vec4 c = scene_ambient + light_ambient * material_ambient +
                 max(n_dot_l, 0.0) * light_diffuse * material_diffuse;
        if (n_dot_l > 0.0) {
            vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
            c += pow(max(dot(n, h), 0.0), shininess) * light_specular * material_specular;
        }
        vertex_colour = vec4(clamp(c.rgb, 0.0, 1.0), material_diffuse.a);
    } else {
        vertex_colour = colour;
    }

    if (sphere_map) {
        vec3 u = normalize(v);
        vec3 r = u - 2.0 * n * dot(n, u);
        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
        vertex_texture = vec2(r.x / m + 0.5, r.y / m + 0.5);
    } else {
        vertex_texture = texture_in;
    }
}
)";

const char* const fragment_source = R"(#version 300 es
precision highp float;
uniform bool textured;
uniform sampler2D texture_unit;
in vec4 vertex_colour;
in vec2 vertex_texture;
out vec4 fragment;

void main() {
    fragment = textured ? vertex_colour * texture(texture_unit, vertex_texture) : vertex_colour;
}
)";

GLuint start_compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

bool compiled(GLuint shader, const char* kind, std::string& error) {
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) {
        return true;
    }
    char log[2048] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string(kind) + " shader does not compile: " + log;
    return false;
}

} // namespace

PendingProgram start_shader_program() {
    PendingProgram pending;
    pending.vertex = start_compile(GL_VERTEX_SHADER, vertex_source);
    pending.fragment = start_compile(GL_FRAGMENT_SHADER, fragment_source);
    pending.program = glCreateProgram();
    glAttachShader(pending.program, pending.vertex);
    glAttachShader(pending.program, pending.fragment);
    glLinkProgram(pending.program);
    glFlush(); // the commands go to the GPU process now, not at the first question
    return pending;
}

bool finish_shader_program(PendingProgram& pending, ShaderProgram& out, std::string& error) {
    const GLuint program = pending.program;
    bool ok =
        compiled(pending.vertex, "vertex", error) && compiled(pending.fragment, "fragment", error);
    // Deleted while attached, the shaders go with the program.
    glDeleteShader(pending.vertex);
    glDeleteShader(pending.fragment);
    pending = PendingProgram{};
    if (ok) {
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            char log[2048] = "";
            glGetProgramInfoLog(program, sizeof log, nullptr, log);
            error = std::string("shaders do not link: ") + log;
            ok = false;
        }
    }
    if (!ok) {
        glDeleteProgram(program);
        return false;
    }
    const auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    out.program = program;
    out.uniforms = ShaderUniforms{
        at("projection"),
        at("modelview"),
        at("normal_matrix"),
        at("lit"),
        at("colour"),
        at("light_eye"),
        at("light_ambient"),
        at("light_diffuse"),
        at("light_specular"),
        at("scene_ambient"),
        at("material_ambient"),
        at("material_diffuse"),
        at("material_specular"),
        at("shininess"),
        at("sphere_map"),
        at("textured"),
        at("texture_unit"),
    };
    return true;
}
