// The NV back end: issues a combiner set-up as GL_NV_register_combiners calls through the
// engine's extension table (recorded into the display list being compiled). Entry points
// the table lacks are skipped, never called.
#pragma once

#include "KECombinerSetup.h"

#include <GL/gl.h>

// The few core GL calls the back end makes beside the table. Tests and the fuzz harness
// put their own here, where there may be no GL context at all.
struct KECombinerNVCore {
    void (*getIntegerv)(GLenum name, GLint* value);
    void (*enable)(GLenum cap);
    void (*disable)(GLenum cap);
};

// Installs the core calls (not owned); null goes back to the real GL.
void KECombinerSetNVCore(const KECombinerNVCore* core);

// What the driver runs: GL_MAX_GENERAL_COMBINERS_NV stages (all eight when the GL does not
// answer), per-stage constants when glCombinerStageParameterfvNV exists.
KECombinerLimits KECombinerNVLimits();

// Issues the whole set-up: stage count and colour-sum clamp, constants, every portion of
// every stage in use (at least one; a stage the script leaves out computes nothing) and
// the final combiner's seven variables.
void KECombinerIssueNV(const KECombinerSetup& setup);
