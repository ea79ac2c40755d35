#pragma once
// WeaponSettingsX: the player's gun record, owned by the engine. Its per-frame update is the
// game's key and mouse handling: walking and flying, jumping, crouching, mouse look, the gun and
// its three modes, zoom, bots, the clipping switch, the render and debug switches, brightness
// and Escape to quit. Keys are the 0-255 virtual-key codes of the input handler.
#include <cstdint>
#include <functional>

class CameraX;
class InputHandlerX;
class IRenderDeviceX;
class SoundX;

// What the controls ask of the game world: the gun, the bots and the clipping switch. The
// environment handler implements it.
class IGameControlsTargetX {
 public:
  virtual ~IGameControlsTargetX() = default;
  // Fires a shot from the camera at `speed`, already `advance` seconds into its flight.
  virtual void Shoot(CameraX* shooter, float speed, float advance) = 0;
  virtual void AddBot() = 0;  // adds only while bots are enabled
  virtual void EnableAndAddBot() = 0;
  virtual void KillAllBots() = 0;
  // Flips whether gravity and the camera's collision act; returns the new state.
  virtual bool ToggleActive() = 0;
};

// Everything one controls update reads and drives. Parts left null are skipped (the input and
// the camera are required).
struct GameControlsX {
  const InputHandlerX* mInput = nullptr;
  CameraX* mCamera = nullptr;
  IRenderDeviceX* mRenderDevice = nullptr;
  IGameControlsTargetX* mGame = nullptr;
  std::function<void()> mQuit;
};

class WeaponSettingsX {
 public:
  // Game keys (virtual-key codes).
  enum KeyX : uint8_t {
    KEY_SHIFT = 16,
    KEY_CONTROL = 17,
    KEY_ESCAPE = 27,
    KEY_SPACE = 32,
    KEY_END = 35,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_1 = 49,
    KEY_2 = 50,
    KEY_3 = 51,
    KEY_A = 65,
    KEY_B = 66,
    KEY_D = 68,
    KEY_J = 74,
    KEY_K = 75,
    KEY_S = 83,
    KEY_V = 86,
    KEY_W = 87,
    KEY_NUMPAD_PLUS = 107,
    KEY_NUMPAD_MINUS = 109,
    KEY_F1 = 112,
    KEY_F7 = 118,
    KEY_PLUS = 187,
    KEY_MINUS = 189,
  };
  // Gun modes: 0 before any change.
  enum GunModeX : uint32_t {
    GUNMODE_NONE = 0,
    GUNMODE_SLOW = 1,
    GUNMODE_MEDIUM = 2,
    GUNMODE_FAST = 3
  };

  static constexpr float sWalkSpeed = 300.0f;
  static constexpr float sFlySpeed = 500.0f;
  static constexpr float sJumpSpeed = 200.0f;
  static constexpr float sPlayerRadius = 40.0f;
  static constexpr float sCrouchStep = 24.0f;
  static constexpr float sCrouchMinRadius = sPlayerRadius - sCrouchStep;
  static constexpr float sMouseUnitsPerRadian = 200.0f;
  static constexpr float sMaxBrightness = 10.0f;

  // The controls drive `controls` every frame: the engine's input, camera and render device,
  // and the game world (the environment handler). Without a game world the gun and the bot keys
  // do nothing and the clipping switch flips the camera alone.
  explicit WeaponSettingsX(GameControlsX controls = {}) : mControls(std::move(controls)) {}

  // The game input update of one frame on the parts given when made.
  void Update(float dt) { Update(dt, mControls); }
  // The same on the given parts.
  void Update(float dt, const GameControlsX& controls);

  // The movement factors: forward f and strafe s in [-1, 1], and the diagonal factor d.
  float GetForwardFactor() const { return mForwardFactor; }
  float GetStrafeFactor() const { return mStrafeFactor; }
  float GetDiagonalFactor() const { return mDiagonalFactor; }
  void SetMovementFactors(float forward, float strafe, float diagonal);

  float mShotSpeed = 750.0f;
  float mFireInterval = 1.0f;  // seconds between shots while the button is held
  float mFireTimer = 0.1f;     // seconds since the last shot
  SoundX* mGunSound = nullptr;
  SoundX* mReloadSound = nullptr;
  SoundX* mFootstepSound = nullptr;
  void* mSpare[2] = {nullptr, nullptr};
  bool mSpareFlag = false;
  float mFootstepTimer = 0.0f;  // seconds since the last footstep sound, 10 when standing
  uint32_t mGunMode = GUNMODE_NONE;

 private:
  void UpdateWalking(float dt, float forward, float strafe, CameraX& camera);
  void UpdateFootsteps(float dt, const CameraX& camera);
  void UpdateGun(float dt, const GameControlsX& controls);
  void UpdateGunMode(const InputHandlerX& input);
  void UpdateSwitches(float dt, const GameControlsX& controls);
  void SetGunMode(uint32_t mode, float shotSpeed, float fireInterval, const char* text);

  GameControlsX mControls;
  float mForwardFactor = 0.0f;
  float mStrafeFactor = 0.0f;
  float mDiagonalFactor = 1.0f;
};
