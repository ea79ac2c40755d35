#pragma once
// The demo game's set-up: runs once after the engine's initialisation and before the main loop.
// It starts the background sound, the night sky box and the player camera, loads the city with
// its collision tree, arms the player, fills the world with bots and places the ambient sounds.
#include <cstdint>

class CameraX;
class EnviromentHandlerX;
class WeaponSettingsX;

// The parts the set-up fills; the environment already holds the engine's managers.
struct GameSetUpX {
  EnviromentHandlerX* mEnvironment = nullptr;
  CameraX* mCamera = nullptr;
  WeaponSettingsX* mWeaponSettings = nullptr;
};

class TheGameX {
 public:
  static constexpr uint32_t sNumberOfBots = 20;
  static constexpr float sGravity = 600.0f;
  static constexpr float sMaxPitch = 1.3744469f;  // 0.4375 pi

  // The set-up on the given parts. False when the city cannot be loaded (logged); the game then
  // runs without a world. Without a sound library there is no background sound.
  static bool SetUp(const GameSetUpX& parts);
};
