#pragma once
// The program code of one shader stage as the engine stores and caches it: the checked GLSL
// text the render device compiles from, followed by the uniform table reflected from it (the
// "constant table"). The table is read back from the code alone, so a cached shader needs no
// compiler.
//
// Layout, little-endian: "KXSC", stage (u32: 0 vertex, 1 pixel), text length (u32), the text
// with its terminating 0, uniform count (u32), then per uniform: name length (u32), the name,
// GL type (u32), array size (u32).
#include <cstdint>

#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

struct ShaderConstantX {
  StringX mName;
  uint32_t mType = 0;       // GL type enum (GL_FLOAT_MAT4, GL_SAMPLER_2D, ...)
  uint32_t mArraySize = 1;  // elements (1 for a plain uniform)
};

class ShaderConstantTableX {
 public:
  // Rebuilds the table from program code; false (table empty) when the code is malformed.
  bool Load(const ArrayX<unsigned char>& code);
  void Clear() { mConstants.Clear(); }

  uint32_t Size() const { return mConstants.Size(); }
  bool Empty() const { return mConstants.Empty(); }
  const ShaderConstantX& operator[](uint32_t index) const { return mConstants[index]; }
  // The uniform of that name, or null.
  const ShaderConstantX* Find(const StringX& name) const;

  ArrayX<ShaderConstantX>& GetConstants() { return mConstants; }

 private:
  ArrayX<ShaderConstantX> mConstants;
};

namespace ShaderCodeX {
// Builds program code from a stage's GLSL text and its uniform table.
void Encode(uint32_t stage, const StringX& text, const ShaderConstantTableX& table,
            ArrayX<unsigned char>& code);
// The GLSL text held in program code (empty when the code is malformed).
StringX GetText(const ArrayX<unsigned char>& code);
// The stage held in program code (INVALID32 when malformed).
uint32_t GetStage(const ArrayX<unsigned char>& code);
}  // namespace ShaderCodeX
