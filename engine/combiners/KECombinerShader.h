// The shader back end on the GL: builds a combiner script's GLSL fragment program and binds
// programs for draws. Its GLSL entry points come from the platform's lookup into a table
// of its own, used only when the current context offers GLSL (GL 2.0, or the ARB shader
// object extensions). Main thread, with the GL context current.
#pragma once

#include <GL/gl.h>

// True when the current context can run the back end's programs.
bool KECombinerShadersAvailableHere();

// Compiles an RC1.0 script into a linked program whose samplers read units 0 to 3 and
// whose constants are set; 0 when nothing could be built. The messages (the script's and
// the GLSL compiler's or linker's) go to the combiner message list.
GLuint KECombinerBuildProgram(const char* text);

// Binds `program` for the next draws (0: fixed function). Binding 0 while the back end
// knows 0 is bound is skipped; a non-zero program is always bound.
void KECombinerUseProgram(GLuint program);

// Deletes a program made by KECombinerBuildProgram.
void KECombinerDeleteProgram(GLuint program);

// Forgets which program is bound, so that the next KECombinerUseProgram(0) is issued:
// for code that binds programs behind the back end's back.
void KECombinerForgetBoundProgram();
