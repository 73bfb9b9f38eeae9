#pragma once
// Fragment programs (GL_ARB_fragment_program) standing in for fixed-function texturing in planned
// frames, where the driver offers them. Each computes exactly what the fixed-function state it
// replaces computes. They belong to the context current when they were built.

namespace System {

class FragmentPrograms {
public:
    // The tile cache's copy: the texel as it is (GL_REPLACE). 0 when not wanted or not offered.
    unsigned int copy(bool wanted);
    // A planned quad: the texel times the colour (GL_MODULATE). 0 when not wanted or not offered;
    // the log says which way the quads are drawn whenever that changes.
    unsigned int quads(bool wanted);
    // Draws with the program from now on, or (0) by fixed function again.
    void use(unsigned int program);
    // Forgets the programs: their context is gone.
    void reset() { *this = FragmentPrograms(); }

private:
    void prepare();

    unsigned int copyName = 0, quadsName = 0;
    bool tried = false;
    void* bind = nullptr;   // glBindProgramARB
    int quadsLogged = -1;   // the choice for the quads last logged: 1 program, 0 fixed function
};

} // namespace System
