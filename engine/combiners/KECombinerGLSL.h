// The shader back end's translation: a combiner set-up becomes the source of a GLSL 1.10
// fragment shader that does the combiners' arithmetic. It reads the fixed-function vertex
// stage's outputs (gl_Color as col0, gl_SecondaryColor as col1, gl_TexCoord[0..3] for
// tex0..tex3) and the uniforms named below; no GL is needed to make the text.
#pragma once

#include "KECombinerSetup.h"

#include <string>

// Sampler uniforms of tex0..tex3, to be set to texture units 0..3.
extern const char* const kKECombinerSamplerNames[4];
// Constant colour uniforms: arrays of kKECombinerConstSlots vec4, slot s < 8 for general
// stage s, the last slot for the final combiner (the global constants).
extern const char* const kKECombinerConstNames[2];
// The int uniform that tells the program the fixed-function fog's mode, set at every bind:
// 0 linear, 1 GL_EXP, 2 GL_EXP2 (GLSL 1.10 has no mode of its own to read).
extern const char* const kKECombinerFogModeName;
constexpr int kKECombinerConstSlots = KECombinerSetup::kMaxStages + 1;

std::string KECombinerGLSLSource(const KECombinerSetup& setup);

// The values of constant uniform `which` (0 or 1), kKECombinerConstSlots times 4 floats.
void KECombinerConstValues(const KECombinerSetup& setup, int which, float out[kKECombinerConstSlots * 4]);
