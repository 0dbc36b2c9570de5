// What the WebGL 2 backend computes on the CPU, against what OpenGL 1.1 and GLU compute for
// the native backend in a real context (Mesa, under Xvfb): the camera's matrices, the light's
// eye-space position and the mipmap chain of gluBuild2DMipmaps.
#include "render/gl1/scene_renderer.h"
#include "render/gl1/texture_upload.h"
#include "render/scene_view.h"
#include "render/transform.h"
#include "texture/mipmap_chain.h"

#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// The elements as printed by a failing check, up to 16 of them.
template <class Values> std::string listed(const Values& values) {
    std::ostringstream text;
    text.precision(9);
    size_t count = 0;
    for (const auto v : values) {
        if (count++ == 16) {
            text << " ...";
            break;
        }
        text << " " << +v;
    }
    return text.str();
}

// The CPU's projection, view and light are GL's own to the last bit, for square, wide and
// empty windows and for large turns.
TEST(GlAgreement, CameraMatricesAndLightMatchTheMatrixStack) {
    Gl1Renderer renderer;
    const std::pair<int32_t, int32_t> sizes[] = {{700, 700}, {1000, 500}, {300, 650}, {700, 0}};
    const double times[] = {0.0, 0.5, 3.3, 1234.567};
    for (const auto& [width, height] : sizes) {
        for (const double time : times) {
            renderer.resize(width, height);
            renderer.setup_camera(time);
            std::array<float, 16> gl_projection, gl_view;
            std::array<float, 4> gl_light;
            glGetFloatv(GL_PROJECTION_MATRIX, gl_projection.data());
            glGetFloatv(GL_MODELVIEW_MATRIX, gl_view.data());
            glLightfv(GL_LIGHT0, GL_POSITION, light_position.data());
            glGetLightfv(GL_LIGHT0, GL_POSITION, gl_light.data());
            const Matrix4 view_transform = view_matrix(time);
            EXPECT_EQ(gl_projection, projection_matrix(width, height))
                << width << " x " << height << ", GL's:" << listed(gl_projection);
            EXPECT_EQ(gl_view, view_transform) << "time " << time << ", GL's:" << listed(gl_view);
            EXPECT_EQ(gl_light, transform_point(view_transform, light_position))
                << "time " << time << ", GL's:" << listed(gl_light);
        }
    }
}

// The levels the upload builds through gluBuild2DMipmaps, read back from the texture, against
// our chain: the same sides, the same bytes where no scaling is needed, and within one step
// where a width off a power of two is scaled (GLU sums its box in float and truncates; we sum
// exactly and round). Width 50 has 2 fill bytes a row, which neither may take for pixels.
// The 2 x 2 level, whose rows of 6 bytes GL reads 2 bytes late under an unpack alignment of
// 4, must arrive as GLU computed it, and the alignment is 4 again afterwards.
TEST(GlAgreement, MipmapChainMatchesGluBuild2DMipmaps) {
    GLint max_side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_side);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (const int32_t width : {256, 4, 12, 50, 52, 100, 200}) {
        BmpImage image;
        image.width = width;
        image.row_stride = bmp_row_stride(width);
        image.pixels.reset(new unsigned char[image.row_stride * size_t(width)]);
        for (size_t k = 0; k < image.row_stride * size_t(width); ++k) {
            image.pixels[k] = (unsigned char)((k * 37 + k / 97 * 11) % 256);
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        ASSERT_TRUE(upload_mipmapped(image)) << "width " << width;
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4) << "width " << width;
        const std::vector<MipmapLevel> chain = build_mipmap_chain(image, max_side);
        const bool scaled = chain[0].side != width;
        for (size_t level = 0; level < chain.size(); ++level) {
            GLint side = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, GLint(level), GL_TEXTURE_WIDTH, &side);
            ASSERT_EQ(side, chain[level].side) << "width " << width << ", level " << level;
            std::vector<unsigned char> got(chain[level].rgb.size());
            glGetTexImage(GL_TEXTURE_2D, GLint(level), GL_RGB, GL_UNSIGNED_BYTE, got.data());
            int worst = 0;
            for (size_t k = 0; k < got.size(); ++k) {
                worst = std::max(worst, std::abs(int(got[k]) - int(chain[level].rgb[k])));
            }
            EXPECT_LE(worst, scaled ? 1 : 0)
                << "width " << width << ", level side " << chain[level].side << ": got"
                << listed(got) << ", want" << listed(chain[level].rgb);
        }
        GLint beyond = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, GLint(chain.size()), GL_TEXTURE_WIDTH, &beyond);
        EXPECT_EQ(beyond, 0) << "width " << width << ": GLU made more levels";
        glDeleteTextures(1, &name);
    }
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    int glut_argc = 1;
    char* glut_argv[] = {argv[0], nullptr};
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("gl agreement"); // makes the context current
    return RUN_ALL_TESTS();
}
