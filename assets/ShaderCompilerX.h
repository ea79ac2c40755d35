#pragma once
// Compiles and checks one stage of a shader source with glslang, on the calling thread, and
// reflects its uniforms.
//
// Source convention: one file holds both stages of a GLSL 330 core program without a #version
// line; the vertex stage sits in an `#ifdef VERTEX_SHADER` block, the pixel (fragment) stage in
// an `#ifdef FRAGMENT_SHADER` block, each with its own `void main()`. Each stage's text is the
// source with "#version 330 core", the stage's define and "#line 1" put in front, so compiler
// messages give the line numbers of the source file.
#include <cstdint>

#include "assets/ShaderCodeX.h"

namespace ShaderCompilerX {
// Stages: 0 the vertex program, 1 the pixel program.
constexpr uint32_t sVertexStage = 0;
constexpr uint32_t sPixelStage = 1;

// The text of one stage as it is compiled (and as the render device compiles it).
StringX MakeStageText(const char* source, uint32_t stage);

// Compiles one stage. On success `code` holds the program code (ShaderCodeX). `messages`
// receives the compiler's text (errors and warnings), possibly empty.
bool CompileStage(const char* source, uint32_t stage, ArrayX<unsigned char>& code,
                  StringX& messages);

// How many stages were compiled by glslang in this process (for tests and diagnostics).
uint32_t GetCompileCount();
}  // namespace ShaderCompilerX
