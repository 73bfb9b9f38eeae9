#include "base/Exception.h"
#include "engine/ExtensionLoader.h"
#include "engine/GLDriver.h"
#include "engine/Texture.h"
#include "engine/TextureCoverage.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there
#include <GL/glu.h>

namespace System {

namespace {

struct FilterPair {
    GLenum magnification;
    GLenum minification;
};

const FilterPair Filters[] = {
    {GL_NEAREST, GL_NEAREST},
    {GL_LINEAR, GL_NEAREST},
    {GL_NEAREST, GL_LINEAR},
    {GL_LINEAR, GL_LINEAR},
    {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
    {GL_NEAREST, GL_LINEAR_MIPMAP_NEAREST},
    {GL_NEAREST, GL_NEAREST_MIPMAP_LINEAR},
    {GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST},
    {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST},
    {GL_LINEAR, GL_NEAREST_MIPMAP_LINEAR},
    {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
};
const unsigned LastFilter = sizeof Filters / sizeof Filters[0] - 1;
const unsigned FirstMipmapFilter = 4;

bool powerOfTwoSide(std::int32_t side)
{
    return side >= 4 && (side & (side - 1)) == 0;
}

struct PixelFormat {
    GLint components;
    GLenum internal;
    GLenum format;
};

PixelFormat formatOf(const Texture& texture)
{
    switch (texture.getLayout()) {
    case RGB:
        return {3, GL_RGB, GLenum(texture.getBgr() ? GL_BGR_EXT : GL_RGB)};
    case RGBA:
        return {4, GL_RGBA, GLenum(texture.getBgr() ? GL_BGRA_EXT : GL_RGBA)};
    case Luminance:
        return {1, GL_LUMINANCE, GL_LUMINANCE};
    case TwoBytes:
        break;
    }
    // Two bytes per pixel come from grey pictures with alpha.
    return {2, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA};
}

} // namespace

void GLDriver::upload(Texture& texture)
{
    flush();
    // A batch texture keeps "loaded" but no pixels once it has been sent: nothing to send again.
    ByteStore* pixels = texture.getPixels();
    if (!texture.isLoaded() || !pixels)
        return;
    if (!powerOfTwoSide(texture.getWidth()) || !powerOfTwoSide(texture.getHeight()))
        throw Exception("Invalid texture, each side's size should power of 2\n");
    const PixelFormat format = formatOf(texture);
    const std::size_t needed = std::size_t(texture.bytesPerPixel()) * std::size_t(texture.getWidth()) *
                               std::size_t(texture.getHeight());
    if (pixels->size() < needed)
        throw Exception("Invalid texture, pixel store smaller than the picture\n");

    ++uploads;
    GLuint name = 0;
    glGenTextures(1, &name);
    checkError(texture);
    texture.setGlName(name);
    glBindTexture(GL_TEXTURE_2D, name);
    checkError(texture);

    const GLint clamp = ExtensionLoader::found("GL_ARB_texture_border_clamp") ? GL_CLAMP_TO_EDGE : GL_CLAMP;
    const GLint wrap = texture.getWrap() == 0 ? GL_REPEAT : clamp;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    checkError(texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    checkError(texture);

    // Values past the table's last row are read as that row.
    const unsigned filter = texture.getFilter() > LastFilter ? LastFilter : texture.getFilter();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLfloat(Filters[filter].magnification));
    checkError(texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLfloat(Filters[filter].minification));
    checkError(texture);

    if (texture.getUploadMode() != 0) {
        const GLsizei width = texture.getWidth();
        const GLsizei height = texture.getHeight();
        const void* data = pixels->data();
        auto levelZero = [&] {
            glTexImage2D(GL_TEXTURE_2D, 0, GLint(format.internal), width, height, 0, format.format,
                         GL_UNSIGNED_BYTE, data);
            checkError(texture);
        };
        auto mipmaps = [&] {
            gluBuild2DMipmaps(GL_TEXTURE_2D, format.components, width, height, format.format,
                              GL_UNSIGNED_BYTE, data);
            checkError(texture);
        };
        if (ExtensionLoader::version14() || ExtensionLoader::found("GL_SGIS_generate_mipmap")) {
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, 1);
            checkError(texture);
            GLint generates = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generates);
            checkError(texture);
            if (generates != 0) {
                glHint(GL_GENERATE_MIPMAP_HINT, GL_NICEST);
                checkError(texture);
                // A filter that samples the base level only never reads the smaller levels: limiting
                // the texture to its base level spares the driver building them (with a software
                // renderer a third more pixels written per upload, on the start-up's critical path).
                if (filter < FirstMipmapFilter) {
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
                    checkError(texture);
                }
                levelZero();
                texture.setUploadMode(3);
            } else if (filter >= FirstMipmapFilter) {
                mipmaps();
            } else {
                levelZero();
            }
        } else {
            mipmaps();
        }
    }

    measureCoverage(texture);
    log("Texture uploaded " + texture.getName());
    texture.setUploaded(true);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

unsigned int GLDriver::checkError(Texture& texture)
{
    GLenum error = glGetError();
    if (error == GL_NO_ERROR)
        return 0;
    const GLubyte* text = gluErrorString(error);
    log(std::string("Texture problem: ") + (text ? reinterpret_cast<const char*>(text) : "unknown error") +
        " Texture name: " + texture.getName());
    log(texture.getName());
    return error;
}

} // namespace System
