#include "render/RenderDirectX2DX.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <string>

#include "assets/AssetManagerBaseX.h"
#include "assets/FontBitmapX.h"
#include "assets/FontTrueTypeX.h"
#include "assets/TextureX.h"
#include "render/RenderDirectXX.h"

namespace {

const char* kCrosshairName = "crosshairs1.png";
// The crosshair's rectangle in its image (pixels, top-left origin) and its centre.
constexpr float kCrosshairLeft = 0.0f, kCrosshairTop = 48.0f;
constexpr float kCrosshairRight = 22.0f, kCrosshairBottom = 70.0f;
constexpr float kCrosshairCentre = 11.0f;

// The device texture of a texture asset's DXT1 blocks.
DeviceTextureX* CreateDeviceTexture(RenderDirectXX* device, TextureX* texture) {
  if (!device || !texture || texture->GetCompressedData().Empty()) return nullptr;
  const ArrayX<unsigned char>& blocks = texture->GetCompressedData();
  return device->TextureCreate(texture, texture->GetTextureWidth(), texture->GetTextureHeight(),
                               blocks.begin(), blocks.Size());
}

}  // namespace

// ---- console ----

void ConsoleLinesX::Initilize(uint32_t screenHeight, uint32_t fontHeight) {
  const uint32_t capacity = fontHeight ? (screenHeight / fontHeight) / 2 : 0;
  mLines.Initilize(capacity ? capacity : 1);
  mLineInterval = sLineInterval;
  mLineTimer = 0.0f;
}

void ConsoleLinesX::Add(const char* text) {
  if (mLines.Full()) mLines.Pop();
  mLines.Push(StringX(text ? text : ""));
}

void ConsoleLinesX::Update(float dt) {
  if (mLines.Empty()) {
    mLineTimer = 0.0f;
  } else {
    mLineTimer += dt;
  }
  if (mLineTimer > mLineInterval) {
    mLineTimer -= mLineInterval;
    mLines.Pop();
    if (mFirstScroll) {
      mSavedLineInterval = mLineInterval;
      mLineInterval = sScrollInterval;
      mFirstScroll = false;
    }
  }
  if (!mFirstScroll && mLines.Empty()) mLineInterval = mSavedLineInterval;
}

// ---- fonts ----

void RenderDirectX2DX::FontX::SetupBitmapFont(AssetManagerBaseX* assets, const char* name,
                                              uint32_t columns, uint32_t rows) {
  const FontBitmapArgsX grid{columns, rows};
  mFont = assets ? assets->GetAssetImpl<FontBitmapX>(name, &grid) : nullptr;
  KX_ASSERT_MSG(mFont, "RenderDirectX2DX::FontX::SetupBitmapFont", "mFont");
}

void RenderDirectX2DX::FontX::SetupTrueTypeFont(AssetManagerBaseX* assets, const char* name) {
  mFont = assets ? assets->GetAssetImpl<FontTrueTypeX>(name) : nullptr;
  KX_ASSERT_MSG(mFont, "RenderDirectX2DX::FontX::SetupTrueTypeFont", "mFont");
}

DeviceTextureX* RenderDirectX2DX::FontX::GetDeviceTexture(RenderDirectXX* device) {
  if (!mDeviceTexture && mFont) mDeviceTexture = CreateDeviceTexture(device, mFont->GetTexture());
  return mDeviceTexture;
}

void RenderDirectX2DX::FontX::Release(RenderDirectXX* device) {
  if (mDeviceTexture && device) device->ReleaseResource(mDeviceTexture);
  mDeviceTexture = nullptr;
}

// ---- overlay ----

RenderDirectX2DX::RenderDirectX2DX(RenderDirectXX* device)
    : RenderDirectX2DX(device, device ? device->GetAssets() : nullptr,
                       device ? device->GetHeight() : 0) {}

RenderDirectX2DX::RenderDirectX2DX(RenderDirectXX* device, AssetManagerBaseX* assets,
                                   uint32_t screenHeight)
    : mDevice(device) {
  mBannerFont.SetupBitmapFont(assets, "047", 10, 6);
  mConsoleFont.SetupTrueTypeFont(assets, "Lucida Console");
  mFrameRateFont.SetupBitmapFont(assets, "254", 10, 6);
  const TextureAssetArgsX description = OverlayImageDescription();
  mCrosshair = assets ? assets->GetAssetImpl<TextureX>(kCrosshairName, &description) : nullptr;
  KX_ASSERT_MSG(mCrosshair, "RenderDirectX2DX::RenderDirectX2DX", "mCrosshair");
  // Without a console font the console keeps one line, which is not drawn.
  mConsole.Initilize(screenHeight,
                     static_cast<uint32_t>(std::max(mConsoleFont.GetCharHeight(), 0)));
  mFrameTimer.Reset();
}

RenderDirectX2DX::~RenderDirectX2DX() {
  // No log line may reach the console once it is gone; a line being added right now is
  // waited for.
  DetachFromLog();
}

void RenderDirectX2DX::AddText(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  mConsole.Add(text);
}

void RenderDirectX2DX::Update(float dt) {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  ++mFramesDrawn;
  ++mFramesInPeriod;
  mPeriodTime += mFrameTimer.GetElapsedTimef(true);
  if (mPeriodTime > sFrameRatePeriod) {
    mFrameRate = static_cast<int32_t>(static_cast<float>(mFramesInPeriod) / mPeriodTime);
    mFramesInPeriod = 0;
    mPeriodTime = 0.0f;
  }
  mConsole.Update(dt);
}

int RenderDirectX2DX::FrameRateColumns(int32_t frameRate) {
  if (frameRate > 999) return 4;
  if (frameRate > 99) return 3;
  if (frameRate > 9) return 2;
  return 1;
}

int32_t RenderDirectX2DX::GetFrameRate() const {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mFrameRate;
}

uint32_t RenderDirectX2DX::GetFramesDrawn() const {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mFramesDrawn;
}

std::vector<StringX> RenderDirectX2DX::GetConsoleLines() const {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  std::vector<StringX> lines;
  for (uint32_t i = 0; i < mConsole.Size(); ++i) lines.push_back(mConsole.GetLine(i));
  return lines;
}

uint32_t RenderDirectX2DX::GetConsoleCapacity() const {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mConsole.Capacity();
}

void RenderDirectX2DX::LayoutText(const FontBaseX& font, const char* text, float x, float y,
                                  std::vector<QuadX>& quads) {
  TextureX* texture = font.GetTexture();
  if (!text || !texture) return;
  // Texture coordinates over the image the rectangles are measured in.
  const float width = static_cast<float>(texture->GetSourceWidth());
  const float height = static_cast<float>(texture->GetSourceHeight());
  if (!(width > 0.0f) || !(height > 0.0f)) return;
  float penX = x;
  for (const char* c = text; *c; ++c) {
    CharRectX rect;
    font.GetCharRect(rect, *c);
    const float w = static_cast<float>(rect.right - rect.left);
    const float h = static_cast<float>(rect.bottom - rect.top);
    if (*c != ' ') {
      quads.push_back({penX, y, penX + w, y + h, rect.left / width, rect.top / height,
                       rect.right / width, rect.bottom / height});
    }
    penX += w;
  }
}

void RenderDirectX2DX::LayoutFrame(uint32_t width, uint32_t height, std::vector<BatchX>& batches) {
  batches.resize(4);
  for (BatchX& batch : batches) batch.mQuads.clear();
  std::lock_guard<std::recursive_mutex> lock(mLock);
  const float screenWidth = static_cast<float>(width);
  const float screenHeight = static_cast<float>(height);

  // The console, oldest line at the top.
  batches[0].mFont = &mConsoleFont;
  if (FontBaseX* font = mConsoleFont.GetFont()) {
    const float lineHeight = static_cast<float>(font->GetCharHeight());
    for (uint32_t i = 0; i < mConsole.Size(); ++i) {
      LayoutText(*font, mConsole.GetLine(i).GetCharArray(), 0.0f,
                 static_cast<float>(i) * lineHeight, batches[0].mQuads);
    }
  }

  // The banner and the counters along the bottom edge.
  batches[1].mFont = &mBannerFont;
  if (FontBaseX* font = mBannerFont.GetFont()) {
    const float cw = static_cast<float>(font->GetCharWidth());
    const float ch = static_cast<float>(font->GetCharHeight());
    const float bottom = screenHeight - ch;
    LayoutText(*font, sBanner, static_cast<float>(width / 2) - 4.5f * cw, bottom,
               batches[1].mQuads);
    const int32_t hits = mHitCounter.load(std::memory_order_relaxed);
    if (hits >= 0) LayoutText(*font, std::to_string(hits).c_str(), 0.0f, bottom, batches[1].mQuads);
    const int32_t kills = mKillCounter.load(std::memory_order_relaxed);
    if (kills >= 0) {
      LayoutText(*font, std::to_string(kills).c_str(), screenWidth - 2.0f * cw, bottom,
                 batches[1].mQuads);
    }
  }

  // The frame rate at the top right.
  batches[2].mFont = &mFrameRateFont;
  if (FontBaseX* font = mFrameRateFont.GetFont()) {
    const float cw = static_cast<float>(font->GetCharWidth());
    LayoutText(*font, std::to_string(mFrameRate).c_str(),
               screenWidth - static_cast<float>(FrameRateColumns(mFrameRate)) * cw, 0.0f,
               batches[2].mQuads);
  }

  // The crosshair, centred on the screen.
  batches[3].mFont = nullptr;
  if (mCrosshair && mCrosshair->GetSourceWidth() && mCrosshair->GetSourceHeight()) {
    const float iw = static_cast<float>(mCrosshair->GetSourceWidth());
    const float ih = static_cast<float>(mCrosshair->GetSourceHeight());
    const float x = screenWidth * 0.5f - kCrosshairCentre;
    const float y = screenHeight * 0.5f - kCrosshairCentre;
    batches[3].mQuads.push_back({x, y, x + (kCrosshairRight - kCrosshairLeft),
                                 y + (kCrosshairBottom - kCrosshairTop), kCrosshairLeft / iw,
                                 kCrosshairTop / ih, kCrosshairRight / iw, kCrosshairBottom / ih});
  }
}

DeviceTextureX* RenderDirectX2DX::GetCrosshairTexture() {
  if (!mCrosshairTexture) mCrosshairTexture = CreateDeviceTexture(mDevice, mCrosshair);
  return mCrosshairTexture;
}

void RenderDirectX2DX::Draw() {
  if (!mDevice) return;
  const uint32_t width = mDevice->GetWidth();
  const uint32_t height = mDevice->GetHeight();
  if (!width || !height) return;
  // The quads are laid out under the lock; GL draws them after it is let go, so lines added
  // meanwhile from other threads wait only for the layout.
  LayoutFrame(width, height, mBatches);
  if (!mProgram.Use(mDevice ? mDevice->GetAssets() : nullptr)) return;

  if (!mVertexArray) {
    glGenVertexArrays(1, &mVertexArray);
    glGenBuffers(1, &mVertexBuffer);
    glBindVertexArray(mVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
  }
  GLint previousVertexArray = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
  glBindVertexArray(mVertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);

  // Sprites: filled, blended, over everything.
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glUniform2f(mProgram.Uniform("uScreenSize"), static_cast<float>(width),
              static_cast<float>(height));
  glUniform4f(mProgram.Uniform("uColor"), 1.0f, 1.0f, 1.0f, 1.0f);
  glUniform1i(mProgram.Uniform("uTexture"), 0);
  glActiveTexture(GL_TEXTURE0);
  for (BatchX& batch : mBatches) {
    if (batch.mQuads.empty()) continue;
    DeviceTextureX* texture =
        batch.mFont ? batch.mFont->GetDeviceTexture(mDevice) : GetCrosshairTexture();
    DrawBatch(texture, batch.mQuads, width, height);
  }

  // Back to the scene's states; culling and fill mode are set again at the next frame start.
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glBindVertexArray(static_cast<GLuint>(previousVertexArray));
  glUseProgram(0);
}

void RenderDirectX2DX::DrawBatch(DeviceTextureX* texture, const std::vector<QuadX>& quads, uint32_t,
                                 uint32_t) {
  if (!texture || !texture->GetName()) return;
  glBindTexture(GL_TEXTURE_2D, texture->GetName());
  mVertices.clear();
  mVertices.reserve(quads.size() * 24);
  for (const QuadX& q : quads) {
    const float corners[6][4] = {{q.x0, q.y0, q.u0, q.v0}, {q.x1, q.y0, q.u1, q.v0},
                                 {q.x1, q.y1, q.u1, q.v1}, {q.x0, q.y0, q.u0, q.v0},
                                 {q.x1, q.y1, q.u1, q.v1}, {q.x0, q.y1, q.u0, q.v1}};
    for (const auto& corner : corners) mVertices.insert(mVertices.end(), corner, corner + 4);
  }
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mVertices.size() * sizeof(float)),
               mVertices.data(), GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quads.size() * 6));
}

void RenderDirectX2DX::ReleaseDeviceObjects() {
  mBannerFont.Release(mDevice);
  mConsoleFont.Release(mDevice);
  mFrameRateFont.Release(mDevice);
  if (mCrosshairTexture && mDevice) mDevice->ReleaseResource(mCrosshairTexture);
  mCrosshairTexture = nullptr;
  mProgram.Release();
  if (mVertexBuffer) glDeleteBuffers(1, &mVertexBuffer);
  if (mVertexArray) glDeleteVertexArrays(1, &mVertexArray);
  mVertexBuffer = 0;
  mVertexArray = 0;
}
