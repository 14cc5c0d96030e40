// The combiner script compiler: turns "!!RC1.0" register-combiner scripts into GL state,
// either as GL_NV_register_combiners calls (recorded into the display list being compiled)
// or, where the driver lacks them, as a GLSL fragment program doing the same arithmetic.
// Main thread, with the GL context current (the NV calls go through KEExtensions).
#pragma once

// Compiles one NUL-terminated script into NV combiner calls. A null text or one that does
// not start with "!!RC1.0" only adds its message; an RC1.0 text first empties the message
// list. Problems are reported in the list; whatever is valid is still issued.
void CompileCombinerScript(const char* text);

// The messages of the last compile: a null-terminated array of at most 32 strings, owned
// by the compiler and valid until the next compile.
const char* const* GetCombinerScriptErrors();

// Installs both back ends into KEMaterial: the NV compiler and the GLSL program builder
// for drivers without NV combiners. Calling it again changes nothing.
void KEInstallCombinerCompiler();

// True when the current GL context can run the GLSL back end.
bool KECombinerShadersAvailable();
