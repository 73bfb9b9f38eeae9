#include "engine/GLDriver.h"

#include "engine/Texture.h"
#include "engine/services/Font.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there

#include <algorithm>

namespace System {

namespace {

// Longer texts are cut here: the clock and the frame rate are a dozen characters.
const std::size_t MaxTextBytes = 999;

} // namespace

// One display list per byte value: a quad `width` units wide and 16 high over the glyph's ink in its
// cell (t0, the cell's first stored row, at the top), then the pen moves on by width + spacing.
// The upload comes first, so a texture it refuses leaves no lists behind.
void GLDriver::buildFont(Font& font)
{
    flush();
    Texture& texture = font.getTexture();
    upload(texture);

    const GLuint base = glGenLists(256);
    font.setListBase(base);
    const float imageWidth = static_cast<float>(texture.getWidth() > 0 ? texture.getWidth() : 1);
    for (unsigned i = 0; i < 256; ++i) {
        const Font::Glyph& glyph = font.glyph(static_cast<unsigned char>(i));
        const float column = static_cast<float>(i % 16) / 16.0f;
        const float s0 = column + static_cast<float>(glyph.start) / imageWidth;
        const float s1 = column + static_cast<float>(glyph.start + glyph.width) / imageWidth;
        const float t0 = static_cast<float>(i / 16) / 16.0f;
        const float t1 = t0 + 0.0625f;
        const float width = static_cast<float>(glyph.width);
        glNewList(base + i, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t1);
        glVertex2f(0.0f, 16.0f);
        glTexCoord2f(s1, t1);
        glVertex2f(width, 16.0f);
        glTexCoord2f(s1, t0);
        glVertex2f(width, 0.0f);
        glTexCoord2f(s0, t0);
        glVertex2f(0.0f, 0.0f);
        glEnd();
        glTranslatef(width + static_cast<float>(font.getSpacing()), 0.0f, 0.0f);
        glEndList();
    }
}

void GLDriver::drawText(float x, float y, Font& font, const std::string& text)
{
    flush();
    const float scaleX = font.getScaleX();
    const float scaleY = font.getScaleY();
    // A zero scale has no area to draw in, and would divide the position by zero.
    if (scaleX == 0.0f || scaleY == 0.0f)
        return;
    Texture& texture = font.getTexture();
    if (texture.isLoaded()) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture.getGlName());
    }
    begin2DAdditive();
    glPushMatrix();
    glLoadIdentity();
    glScalef(scaleX, scaleY, 1.0f);
    glTranslatef(x / scaleX, y / scaleY, 0.0f);
    glListBase(font.getListBase());
    // Every byte is a glyph; nothing is interpreted.
    const std::size_t count = std::min(text.size(), MaxTextBytes);
    glCallLists(static_cast<GLsizei>(count), GL_UNSIGNED_BYTE, text.data());
    glPopMatrix();
    leave2D();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void GLDriver::drawColouredText(float x, float y, float r, float g, float b, float a, Font& font,
                                const std::string& text)
{
    if (text.empty())
        return;
    glColor4f(r, g, b, a);
    drawText(x, y, font, text);
}

} // namespace System
