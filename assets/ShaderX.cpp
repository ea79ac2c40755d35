#include "assets/ShaderX.h"

#include <cstring>
#include <vector>

#include "assets/ShaderCompilerX.h"
#include "engine/ReportHooksX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {
void Log(const StringX& text) { LogMessage(text.GetCharArray()); }
}  // namespace

ShaderX::ShaderX(const StringX& name) : AssetX(name) {}

bool ShaderX::GenerateAsset(const void* /*parameters*/) {
  StringX fileName = mName;
  FileSystemX::FixSlashes(fileName);
  BinaryReaderX reader;
  if (!reader.Open(fileName) || !reader.IsOpen()) {
    Log(StringX("Could not load ") + mName);
    return false;
  }
  if (reader.GetRemaining() == 0) {
    Log(StringX("File empty ") + mName);
    return false;
  }
  std::vector<char> source(reader.GetRemaining() + 1, 0);
  reader.ReadRemaining(source.data());
  if (std::memchr(source.data(), 0, source.size() - 1)) {
    Log(StringX("Shader source holds a zero byte: ") + mName);
    return false;
  }
  Log(StringX("Compiling shader ") + mName);
  return CompileShader(source.data(), ShaderCompilerX::sVertexStage) &&
         CompileShader(source.data(), ShaderCompilerX::sPixelStage);
}

bool ShaderX::CompileShader(const char* source, uint32_t type) {
  if (type > ShaderCompilerX::sPixelStage) {
    KX_ASSERT_MSG(false, "ShaderX::CompileShader", "Unknown shader type");
    return false;
  }
  StringX messages;
  ArrayX<unsigned char> code;
  const bool compiled = ShaderCompilerX::CompileStage(source, type, code, messages);
  if (!messages.Empty()) {
    Log(StringX("Shader compile error"));
    Log(messages);
  }
  if (!compiled) {
    Log(StringX("Failed to compile shader"));
    return false;
  }
  mProgramCode[type] = std::move(code);
  return true;
}

void ShaderX::AssetReady() {
  for (uint32_t type = 0; type < 2; ++type) {
    mConstantTables[type].Clear();
    if (mProgramCode[type].Empty()) break;
    if (!mConstantTables[type].Load(mProgramCode[type])) {
      Log(StringX("Could not read the constant table of ") + mName);
      break;
    }
  }
}

void ShaderX::SerializeAsset(StreamX& stream) {
  stream << mProgramCode[0] << mProgramCode[1];
  const uint32_t state = stream.GetState();
  const bool complete = state == STREAMSTATE_GOOD || state == STREAMSTATE_AT_END;
  if (stream.GetMode() != SM_WRITE || !complete) return;
  // Program code that is not what this engine writes is damaged: compile the source again.
  ShaderConstantTableX check;
  for (uint32_t type = 0; type < 2; ++type) {
    if (ShaderCodeX::GetStage(mProgramCode[type]) != type || !check.Load(mProgramCode[type])) {
      Log(StringX("Shader cache holds damaged code: ") + mName);
      stream.SetState(STREAMSTATE_SHORT);
      return;
    }
  }
}
