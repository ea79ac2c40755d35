// ShaderX: glslang checks both stages, compile errors fail the asset with the compiler's text,
// and a cached shader comes back with its uniform tables without being compiled again.
#include <gtest/gtest.h>

#include <algorithm>

#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/ShaderCompilerX.h"
#include "assets/ShaderX.h"

namespace {

const char* kShaderName = "Resources\\ShaderPrograms\\SimpleTextured.hlsl";
const char* kShaderFile = "Resources/ShaderPrograms/SimpleTextured.hlsl";

const char* kSource = R"(// Textured and tinted.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec2 inTexCoord;
uniform mat4 uWorldViewProjection;
out vec2 texCoord;
void main() {
  texCoord = inTexCoord;
  gl_Position = uWorldViewProjection * vec4(inPosition, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec2 texCoord;
uniform sampler2D uTexture;
uniform vec4 uTint[2];
out vec4 outColor;
void main() { outColor = texture(uTexture, texCoord) * uTint[0] + uTint[1]; }
#endif
)";

std::vector<std::string> UniformNames(const ShaderConstantTableX& table) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < table.Size(); ++i) names.push_back(table[i].mName.GetCharArray());
  std::sort(names.begin(), names.end());
  return names;
}

class ShaderTest : public testing::Test {
 protected:
  WorkspaceX world;
  ReportCaptureX capture;
};

}  // namespace

TEST_F(ShaderTest, BothStagesCompileWithTheirUniforms) {
  world.WriteText(kShaderFile, kSource);
  ShaderX* shader = GetAssetImpl<ShaderX>(kShaderName);
  ASSERT_NE(shader, nullptr);
  EXPECT_EQ(capture.CountLog(std::string("Compiling shader ") + kShaderName), 1u);
  EXPECT_EQ(UniformNames(shader->GetConstantTable(0)),
            std::vector<std::string>{"uWorldViewProjection"});
  EXPECT_EQ(UniformNames(shader->GetConstantTable(1)),
            (std::vector<std::string>{"uTexture", "uTint"}));
  const ShaderConstantX* tint = shader->GetConstantTable(1).Find("uTint");
  ASSERT_NE(tint, nullptr);
  EXPECT_EQ(tint->mArraySize, 2u);
  EXPECT_EQ(tint->mType, 0x8B52u);  // GL_FLOAT_VEC4

  const std::string vertexText = shader->GetProgramText(0).GetCharArray();
  EXPECT_EQ(vertexText.rfind("#version 330 core\n#define VERTEX_SHADER", 0), 0u);
  EXPECT_NE(shader->GetProgramText(1).StringIsIn("#define FRAGMENT_SHADER"), false);
  EXPECT_TRUE(world.Exists("Resources/SavedData/Resources/ShaderPrograms/SimpleTextured.ShaderX"));
}

TEST_F(ShaderTest, UnchangedShaderLoadsFromCacheAndChangedOneIsCompiled) {
  world.WriteText(kShaderFile, kSource);
  world.SetFileTime(kShaderFile, 1000000);
  ASSERT_NE(GetAssetImpl<ShaderX>(kShaderName), nullptr);

  world.Restart();
  capture.Clear();
  const uint32_t compiles = ShaderCompilerX::GetCompileCount();
  ShaderX* cached = GetAssetImpl<ShaderX>(kShaderName);
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(ShaderCompilerX::GetCompileCount(), compiles);
  EXPECT_EQ(capture.CountLog(std::string("Compiling shader ") + kShaderName), 0u);
  EXPECT_EQ(UniformNames(cached->GetConstantTable(1)),
            (std::vector<std::string>{"uTexture", "uTint"}));

  std::string changed = kSource;
  changed.replace(changed.find("uTint[1]"), 8, "vec4(0.1)");
  world.WriteText(kShaderFile, changed);
  world.SetFileTime(kShaderFile, 2000000);
  world.Restart();
  capture.Clear();
  ShaderX* recompiled = GetAssetImpl<ShaderX>(kShaderName);
  ASSERT_NE(recompiled, nullptr);
  EXPECT_EQ(capture.CountLog(std::string("Stale cache for ") + kShaderName), 1u);
  EXPECT_EQ(ShaderCompilerX::GetCompileCount(), compiles + 2);
  EXPECT_EQ(recompiled->GetConstantTable(1).Find("uTint")->mArraySize, 1u);
}

TEST_F(ShaderTest, SyntaxErrorFailsWithTheCompilerText) {
  std::string broken = kSource;
  broken.replace(broken.find("gl_Position ="), 13, "gl_Position = = ");
  world.WriteText(kShaderFile, broken);
  EXPECT_EQ(GetAssetImpl<ShaderX>(kShaderName), nullptr);
  const std::vector<std::string> logs = capture.Logs();
  const auto error = std::find(logs.begin(), logs.end(), "Shader compile error");
  ASSERT_NE(error, logs.end());
  ASSERT_NE(error + 1, logs.end());
  EXPECT_NE(error[1].find("ERROR"), std::string::npos) << error[1];
  EXPECT_NE(error[1].find(":9:"), std::string::npos) << "line of the source file: " << error[1];
  EXPECT_EQ(capture.CountLog("Failed to compile shader"), 1u);
  EXPECT_FALSE(world.Exists("Resources/SavedData/Resources/ShaderPrograms/SimpleTextured.ShaderX"));
}

TEST_F(ShaderTest, MissingEmptyAndDamagedSources) {
  EXPECT_EQ(GetAssetImpl<ShaderX>("Resources\\ShaderPrograms\\none.hlsl"), nullptr);
  EXPECT_EQ(capture.CountLog("Could not load Resources\\ShaderPrograms\\none.hlsl"), 1u);
  world.WriteText("Resources/ShaderPrograms/empty.hlsl", "");
  EXPECT_EQ(GetAssetImpl<ShaderX>("Resources\\ShaderPrograms\\empty.hlsl"), nullptr);
  EXPECT_EQ(capture.CountLog("File empty Resources\\ShaderPrograms\\empty.hlsl"), 1u);

  ShaderX shader("direct");
  EXPECT_FALSE(shader.CompileShader("void main() {}", 2));
  EXPECT_TRUE(capture.HasAssert("Unknown shader type"));
}

TEST_F(ShaderTest, DamagedCacheIsCompiledAgain) {
  world.WriteText(kShaderFile, kSource);
  ASSERT_NE(GetAssetImpl<ShaderX>(kShaderName), nullptr);
  const std::string cacheFile =
      "Resources/SavedData/Resources/ShaderPrograms/SimpleTextured.ShaderX";
  std::vector<uint8_t> cache = world.Read(cacheFile);
  ASSERT_GT(cache.size(), 20u);
  cache[14] = 'Z';  // the first program's magic
  world.Write(cacheFile, cache);

  world.Restart();
  capture.Clear();
  ShaderX* shader = GetAssetImpl<ShaderX>(kShaderName);
  ASSERT_NE(shader, nullptr);
  EXPECT_EQ(capture.CountLog(std::string("Shader cache holds damaged code: ") + kShaderName), 1u);
  EXPECT_EQ(capture.CountLog(std::string("Compiling shader ") + kShaderName), 1u);
  EXPECT_EQ(shader->GetConstantTable(0).Size(), 1u);
}
