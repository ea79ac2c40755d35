#include "render/DebugProgramX.h"

#include <epoxy/gl.h>

#include "assets/AssetManagerBaseX.h"
#include "assets/ShaderX.h"

namespace {

// Compiles one stage; 0 with the compiler's text logged when it fails.
GLuint CompileStage(GLenum type, const StringX& text, const StringX& shaderName) {
  GLuint shader = glCreateShader(type);
  const char* source = text.GetCharArray();
  const GLint length = static_cast<GLint>(text.Size());
  glShaderSource(shader, 1, &source, &length);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled == GL_TRUE) return shader;
  char message[512] = {};
  glGetShaderInfoLog(shader, sizeof(message), nullptr, message);
  LogMessage(
      (StringX("RenderDevice, shader stage failed: ") + shaderName + " " + message).GetCharArray());
  glDeleteShader(shader);
  return 0;
}

}  // namespace

bool DebugProgramX::Use() {
  if (!mProgram && !mFailed && !Build()) {
    mFailed = true;
    LogMessage((StringX("RenderDevice, no program from ") + mShaderName).GetCharArray());
  }
  if (!mProgram) return false;
  glUseProgram(mProgram);
  return true;
}

bool DebugProgramX::Build() {
  ShaderX* shader = GetAssetManager() ? GetAssetImpl<ShaderX>(mShaderName) : nullptr;
  if (!shader || shader->GetProgramText(0).Empty() || shader->GetProgramText(1).Empty()) {
    return false;
  }
  const GLuint vertex = CompileStage(GL_VERTEX_SHADER, shader->GetProgramText(0), mShaderName);
  const GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, shader->GetProgramText(1), mShaderName);
  if (vertex && fragment) {
    mProgram = glCreateProgram();
    glAttachShader(mProgram, vertex);
    glAttachShader(mProgram, fragment);
    glLinkProgram(mProgram);
    GLint linked = GL_FALSE;
    glGetProgramiv(mProgram, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
      glDeleteProgram(mProgram);
      mProgram = 0;
    }
  }
  if (vertex) glDeleteShader(vertex);
  if (fragment) glDeleteShader(fragment);
  return mProgram != 0;
}

int32_t DebugProgramX::Uniform(const char* name) const {
  return mProgram ? glGetUniformLocation(mProgram, name) : -1;
}

void DebugProgramX::Release() {
  if (mProgram) glDeleteProgram(mProgram);
  mProgram = 0;
  mFailed = false;
}
