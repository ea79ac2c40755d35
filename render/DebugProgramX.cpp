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

uint32_t LinkShaderProgram(ShaderX* shader) {
  if (!shader) return 0;
  const StringX vertexText = shader->GetProgramText(0);
  const StringX fragmentText = shader->GetProgramText(1);
  if (vertexText.Empty() || fragmentText.Empty()) return 0;
  const GLuint vertex = CompileStage(GL_VERTEX_SHADER, vertexText, shader->GetName());
  const GLuint fragment = CompileStage(GL_FRAGMENT_SHADER, fragmentText, shader->GetName());
  GLuint program = 0;
  if (vertex && fragment) {
    program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
      LogMessage(
          (StringX("RenderDevice, shader does not link: ") + shader->GetName()).GetCharArray());
      glDeleteProgram(program);
      program = 0;
    }
  }
  if (vertex) glDeleteShader(vertex);
  if (fragment) glDeleteShader(fragment);
  return program;
}

bool DebugProgramX::Use(AssetManagerBaseX* assets) {
  if (!mProgram && !mFailed && !Build(assets)) {
    mFailed = true;
    LogMessage((StringX("RenderDevice, no program from ") + mShaderName).GetCharArray());
  }
  if (!mProgram) return false;
  glUseProgram(mProgram);
  return true;
}

bool DebugProgramX::Build(AssetManagerBaseX* assets) {
  mProgram = LinkShaderProgram(assets ? assets->GetAssetImpl<ShaderX>(mShaderName) : nullptr);
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
