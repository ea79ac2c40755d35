#pragma once
// ShaderX: the asset for one shader source file holding both programs of a GLSL 330 core
// shader (see ShaderCompilerX for the stage convention). Each stage is compiled and checked
// with glslang on the requesting thread; the program code (the checked stage text and its
// uniform table) is cached under "Resources\SavedData\" with the extension ".ShaderX", and
// the constant tables are rebuilt from the code when it is loaded, without compiling.
#include <cstdint>

#include "assets/AssetX.h"
#include "assets/ShaderCodeX.h"

class ShaderX : public AssetX {
 public:
  explicit ShaderX(const StringX& name);

  bool GenerateAsset(const void* parameters) override;
  void SerializeAsset(StreamX& stream) override;
  void AssetReady() override;
  const char* GetCacheExtension() const override { return ".ShaderX"; }
  uint16_t GetCacheVersion() const override { return 2; }

  // Compiles one program of `source`: 0 the vertex program, 1 the pixel program.
  bool CompileShader(const char* source, uint32_t type);

  // Program code, index 0 the vertex program, 1 the pixel program.
  const ArrayX<unsigned char>& GetProgramCode(uint32_t type) const {
    return mProgramCode[type & 1];
  }
  // The GLSL text the render device compiles for a program.
  StringX GetProgramText(uint32_t type) const { return ShaderCodeX::GetText(GetProgramCode(type)); }
  // The uniforms of a program (empty until the shader is ready).
  const ShaderConstantTableX& GetConstantTable(uint32_t type) const {
    return mConstantTables[type & 1];
  }

 private:
  ArrayX<unsigned char> mProgramCode[2];
  ShaderConstantTableX mConstantTables[2];
};
