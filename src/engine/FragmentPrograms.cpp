// Mesa's software renderer runs these programs faster than the fixed-function texturing they stand
// in for, because fixed-function texturing is always a projective lookup (every coordinate divided
// by q) and never takes its faster paths.
#include "engine/FragmentPrograms.h"

#include "engine/ExtensionLoader.h"
#include "engine/Log.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there

#include <string>

namespace System {

namespace {

// The tile cache's copy: the texel as it is (GL_REPLACE).
const char CopyProgram[] = "!!ARBfp1.0\nTEX result.color, fragment.texcoord[0], texture[0], 2D;\nEND\n";
// A planned quad: the texel times the colour (GL_MODULATE, the engine's only texture function).
const char QuadProgram[] = "!!ARBfp1.0\nTEMP texel;\nTEX texel, fragment.texcoord[0], texture[0], 2D;\n"
                           "MUL result.color, texel, fragment.color;\nEND\n";

} // namespace

// Builds both programs at the first asking in this context; a program the driver rejects stays 0.
void FragmentPrograms::prepare()
{
    if (tried)
        return;
    tried = true;
    if (!ExtensionLoader::found("GL_ARB_fragment_program"))
        return;
    auto generate = reinterpret_cast<PFNGLGENPROGRAMSARBPROC>(ExtensionLoader::entryPoint("glGenProgramsARB"));
    auto remove = reinterpret_cast<PFNGLDELETEPROGRAMSARBPROC>(ExtensionLoader::entryPoint("glDeleteProgramsARB"));
    auto bind = reinterpret_cast<PFNGLBINDPROGRAMARBPROC>(ExtensionLoader::entryPoint("glBindProgramARB"));
    auto source = reinterpret_cast<PFNGLPROGRAMSTRINGARBPROC>(ExtensionLoader::entryPoint("glProgramStringARB"));
    if (!generate || !remove || !bind || !source)
        return;
    // Errors raised before belong to no program here.
    while (glGetError() != GL_NO_ERROR) {
    }
    auto build = [&](const char* text, GLsizei length) -> unsigned int {
        GLuint name = 0;
        generate(1, &name);
        bind(GL_FRAGMENT_PROGRAM_ARB, name);
        source(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, length, text);
        const bool taken = glGetError() == GL_NO_ERROR;
        bind(GL_FRAGMENT_PROGRAM_ARB, 0);
        if (!taken)
            remove(1, &name);
        return taken ? name : 0;
    };
    copyName = build(CopyProgram, GLsizei(sizeof CopyProgram - 1));
    quadsName = build(QuadProgram, GLsizei(sizeof QuadProgram - 1));
    this->bind = reinterpret_cast<void*>(bind);
}

unsigned int FragmentPrograms::copy(bool wanted)
{
    if (!wanted)
        return 0;
    prepare();
    return copyName;
}

unsigned int FragmentPrograms::quads(bool wanted)
{
    if (wanted)
        prepare();
    const unsigned int program = wanted ? quadsName : 0;
    if (int(program != 0) != quadsLogged) {
        quadsLogged = program != 0;
        Log::instance().write(std::string("[GL] Planned quads drawn by ") +
                              (program ? "fragment program" : "fixed function") + "\n");
    }
    return program;
}

void FragmentPrograms::use(unsigned int program)
{
    const auto bind = reinterpret_cast<PFNGLBINDPROGRAMARBPROC>(this->bind);
    if (!bind)
        return;
    bind(GL_FRAGMENT_PROGRAM_ARB, program);
    if (program)
        glEnable(GL_FRAGMENT_PROGRAM_ARB);
    else
        glDisable(GL_FRAGMENT_PROGRAM_ARB);
}

} // namespace System
