#pragma once
// RenderDirectX2DX: the screen overlay over every frame. A console of the latest log lines (the
// error handler hands it every info line, from any thread), the banner, the hit and kill
// counters, the frame rate and the crosshair in the middle of the screen. Text is drawn glyph
// by glyph from the font textures; all of it goes to GL as one batch of textured quads per
// texture.
#include <cstdint>
#include <mutex>
#include <vector>

#include "assets/FontBaseX.h"
#include "engine/HighTimerX.h"
#include "foundation/QueueX.h"
#include "foundation/StringX.h"
#include "render/DebugProgramX.h"
#include "render/IRenderDevice2DX.h"

class AssetManagerBaseX;
class DeviceTextureX;
class RenderDirectXX;
class TextureX;

// The console lines and their timing: lines stay 2 s; once the first line has expired, the
// rest scroll away one per 0.025 s until the console is empty, then lines stay 2 s again.
// Not locked: the overlay holds its lock around every use.
class ConsoleLinesX {
 public:
  static constexpr float sLineInterval = 2.0f;
  static constexpr float sScrollInterval = 0.025f;

  // Capacity (screen height / font height) / 2, at least one line.
  void Initilize(uint32_t screenHeight, uint32_t fontHeight);
  // Drops the oldest line when full.
  void Add(const char* text);
  void Update(float dt);

  uint32_t Size() const { return mLines.Size(); }
  uint32_t Capacity() const { return mLines.Capacity(); }
  const StringX& GetLine(uint32_t i) const { return mLines.GetItem(i); }
  float GetLineInterval() const { return mLineInterval; }

 private:
  QueueX<StringX> mLines;
  float mLineInterval = sLineInterval;
  float mLineTimer = 0.0f;
  bool mFirstScroll = true;
  float mSavedLineInterval = sLineInterval;
};

class RenderDirectX2DX : public IRenderDevice2DX {
 public:
  // A font asset with the device texture of its glyphs, made on first use on the render thread.
  class FontX {
   public:
    void SetupBitmapFont(AssetManagerBaseX* assets, const char* name, uint32_t columns,
                         uint32_t rows);
    void SetupTrueTypeFont(AssetManagerBaseX* assets, const char* name);
    FontBaseX* GetFont() const { return mFont; }
    int GetCharWidth() const { return mFont ? mFont->GetCharWidth() : 0; }
    int GetCharHeight() const { return mFont ? mFont->GetCharHeight() : 0; }
    // Render thread: the glyph texture, created through the device on first use.
    DeviceTextureX* GetDeviceTexture(RenderDirectXX* device);
    void Release(RenderDirectXX* device);

   private:
    FontBaseX* mFont = nullptr;
    DeviceTextureX* mDeviceTexture = nullptr;
  };

  // One textured quad in screen pixels (top-left origin) with texture coordinates.
  struct QuadX {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
  };

  static constexpr const char* sBanner = "QUORLINTH";
  static constexpr float sFrameRatePeriod = 0.5f;

  // The screen size and the asset manager are the device's.
  explicit RenderDirectX2DX(RenderDirectXX* device);
  // With the fonts' asset manager and the screen height given (the device may be null: nothing
  // is then drawn).
  RenderDirectX2DX(RenderDirectXX* device, AssetManagerBaseX* assets, uint32_t screenHeight);
  ~RenderDirectX2DX() override;

  void Update(float dt) override;
  void Draw() override;
  void ReleaseDeviceObjects() override;
  void AddText(const char* text) override;
  void AddText(const StringX& text) { AddText(text.GetCharArray() ? text.GetCharArray() : ""); }

  // Characters from the right edge at which the frame rate starts.
  static int FrameRateColumns(int32_t frameRate);
  int32_t GetFrameRate() const;
  uint32_t GetFramesDrawn() const;
  // A copy of the console, oldest line first.
  std::vector<StringX> GetConsoleLines() const;
  uint32_t GetConsoleCapacity() const;
  const FontX& GetConsoleFont() const { return mConsoleFont; }
  const FontX& GetBannerFont() const { return mBannerFont; }
  const FontX& GetFrameRateFont() const { return mFrameRateFont; }

  // Appends the quads of a text with its top-left corner at (x, y), glyph by glyph.
  static void LayoutText(const FontBaseX& font, const char* text, float x, float y,
                         std::vector<QuadX>& quads);

 private:
  struct BatchX {
    FontX* mFont = nullptr;  // or the crosshair when null
    std::vector<QuadX> mQuads;
  };
  void LayoutFrame(uint32_t width, uint32_t height, std::vector<BatchX>& batches);
  void DrawBatch(DeviceTextureX* texture, const std::vector<QuadX>& quads, uint32_t width,
                 uint32_t height);
  DeviceTextureX* GetCrosshairTexture();

  RenderDirectXX* mDevice;
  mutable std::recursive_mutex mLock;  // the console, the timers and the frame rate
  HighTimerX mFrameTimer;
  uint32_t mFramesDrawn = 0;
  int32_t mFrameRate = 0;
  FontX mBannerFont;
  FontX mConsoleFont;
  FontX mFrameRateFont;
  TextureX* mCrosshair = nullptr;
  DeviceTextureX* mCrosshairTexture = nullptr;
  ConsoleLinesX mConsole;
  uint32_t mFramesInPeriod = 0;
  float mPeriodTime = 0.0f;

  // Render thread only.
  DebugProgramX mProgram{"Resources\\ShaderPrograms\\Overlay2D.hlsl"};
  uint32_t mVertexArray = 0;
  uint32_t mVertexBuffer = 0;
  std::vector<BatchX> mBatches;
  std::vector<float> mVertices;
};
