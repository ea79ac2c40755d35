#include "assets/ShaderCompilerX.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <atomic>
#include <mutex>
#include <string>

namespace {

std::atomic<uint32_t> sCompileCount{0};
std::once_flag sInitialiseOnce;

// glslang keeps process-wide tables; they are set up once and kept for the whole process.
void InitialiseCompiler() {
  std::call_once(sInitialiseOnce, [] { glslang::InitializeProcess(); });
}

StringX TrimmedText(const char* text) {
  std::string result = text ? text : "";
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return StringX(result.c_str());
}

}  // namespace

StringX ShaderCompilerX::MakeStageText(const char* source, uint32_t stage) {
  StringX text("#version 330 core\n");
  text += stage == sVertexStage ? "#define VERTEX_SHADER 1\n" : "#define FRAGMENT_SHADER 1\n";
  text += "#line 1\n";
  if (source) text += source;
  return text;
}

bool ShaderCompilerX::CompileStage(const char* source, uint32_t stage, ArrayX<unsigned char>& code,
                                   StringX& messages) {
  InitialiseCompiler();
  ++sCompileCount;
  messages = StringX();
  const EShLanguage language = stage == sVertexStage ? EShLangVertex : EShLangFragment;
  const StringX text = MakeStageText(source, stage);
  const char* strings[] = {text.GetCharArray()};

  glslang::TShader shader(language);
  shader.setStrings(strings, 1);
  const EShMessages rules = static_cast<EShMessages>(EShMsgDefault);
  const bool parsed = shader.parse(GetDefaultResources(), 330, ECoreProfile, false, false, rules);
  StringX log = TrimmedText(shader.getInfoLog());
  if (!parsed) {
    messages = log;
    return false;
  }
  glslang::TProgram program;
  program.addShader(&shader);
  const bool linked = program.link(rules) && program.buildReflection();
  const StringX linkLog = TrimmedText(program.getInfoLog());
  if (!linkLog.Empty()) {
    if (!log.Empty()) log += "\n";
    log += linkLog;
  }
  messages = log;
  if (!linked) return false;

  ShaderConstantTableX table;
  for (int i = 0; i < program.getNumUniformVariables(); ++i) {
    const glslang::TObjectReflection& uniform = program.getUniform(i);
    ShaderConstantX constant;
    constant.mName = StringX(uniform.name.c_str());
    constant.mType = static_cast<uint32_t>(uniform.glDefineType);
    constant.mArraySize = uniform.size > 0 ? static_cast<uint32_t>(uniform.size) : 1;
    table.GetConstants().Add(constant);
  }
  ShaderCodeX::Encode(stage, text, table, code);
  return true;
}

uint32_t ShaderCompilerX::GetCompileCount() { return sCompileCount.load(); }
