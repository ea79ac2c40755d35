#pragma once
// A GL program built from a shader asset (both stages in one source file, see ShaderX). The
// overlay, the sky box and the debug line drawings each use one. Render thread only: Build and
// the destructor need the device's GL context.
#include <cstdint>

#include "foundation/StringX.h"

class AssetManagerBaseX;
class ShaderX;

// Compiles both stages of a shader asset and links them; 0 (logged) when it cannot be built.
// Render thread only.
uint32_t LinkShaderProgram(ShaderX* shader);

class DebugProgramX {
 public:
  explicit DebugProgramX(const char* shaderName) : mShaderName(shaderName) {}
  ~DebugProgramX() { Release(); }
  DebugProgramX(const DebugProgramX&) = delete;
  DebugProgramX& operator=(const DebugProgramX&) = delete;

  // Builds the program on first use from the shader asset of `assets`; false (logged once) when
  // the shader cannot be had.
  bool Use(AssetManagerBaseX* assets);
  // Location of a uniform of the built program (-1 when it has none).
  int32_t Uniform(const char* name) const;
  void Release();

 private:
  bool Build(AssetManagerBaseX* assets);

  StringX mShaderName;
  uint32_t mProgram = 0;
  bool mFailed = false;
};
