#pragma once
// EnviromentHandlerX: everything that moves in the world. It holds the bots, the other dynamic
// objects and the shots, applies gravity and ground snapping, runs the per-frame collision step
// (walking spheres slide, shots bounce and hit), ages and retires shots and removes dead bots.
// The game controls reach it through IGameControlsTargetX.
//
// The managers it works with are handed in (GameServicesX), so the whole game can run without a
// window or sound: a device that draws nothing and no audio device.
#include <cstdint>
#include <memory>

#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "game/GameServicesX.h"
#include "game/WeaponSettingsX.h"
#include "geometry/Vector3fX.h"

class BotX;
class CameraX;
class CSound;
class Movement3DX;
class Object3DX;
class ObjectMoveableX;

class EnviromentHandlerX : public IGameControlsTargetX {
 public:
  struct Shots {
    ObjectMoveableX* mShot = nullptr;
    float mAge = 0.0f;
  };

  static constexpr float sShotLifeTime = 2.0f;
  static constexpr float sStepDown = 20.0f;
  static constexpr float sShotHitRange = 15.0f;
  static constexpr float sBotMaxPitch = 1.3744469f;
  static constexpr uint32_t sSpawnPoints = 18;

  // Works with the managers of `services`, which must outlive the environment.
  explicit EnviromentHandlerX(const GameServicesX& services);
  // Logs what happened in the game (shots, bots, counters) and deletes the bots and shots
  // still held. The render device and the collision handler are
  // gone by then (the engine stops them first), so nothing is unregistered.
  ~EnviromentHandlerX() override;
  EnviromentHandlerX(const EnviromentHandlerX&) = delete;
  EnviromentHandlerX& operator=(const EnviromentHandlerX&) = delete;

  const GameServicesX& GetServices() const { return mServices; }
  void SetCamera(CameraX* camera) { mCamera = camera; }
  // The looping background sound of the game, owned from here on (deleted with the
  // environment, before the audio device goes).
  void SetBackgroundSound(CSound* sound);
  CameraX* GetCamera() const { return mCamera; }

  // The map: kept as the world object and handed to the collision handler, which builds or
  // loads its tree. False when the object has no mesh or the handler refuses it.
  bool AddWorld(Object3DX* object);
  void AddDynamicObject(ObjectMoveableX& objectMoveable);

  // IGameControlsTargetX
  void Shoot(CameraX* shooter, float speed, float advance) override;
  void AddBot() override;
  void EnableAndAddBot() override;
  void KillAllBots() override;
  bool ToggleActive() override;

  // Creates, places and registers one bot on `object` (counted, no limit checked): at the given
  // place, or at a spawn point drawn after the bot's own draw of rand.
  BotX* PlaceBot(Object3DX* object, const Vector3fX* position = nullptr,
                 const Vector3fX* direction = nullptr);

  // A shot from `shooter`, `advance` seconds into its flight, towards `target` when given,
  // started `offset` away from the shooter when given.
  ObjectMoveableX* Shoot(Movement3DX* shooter, float speed, float advance, const Vector3fX* target,
                         const Vector3fX* offset);
  void ApplyGravity(Movement3DX& object, float dt);
  // A spawn row chosen by the engine's rand.
  void GetSpawnPoint(Vector3fX& position, Vector3fX& direction);
  static void GetSpawnPoint(uint32_t row, Vector3fX& position, Vector3fX& direction);

  // One frame: gravity, objects, bots, the collision step, snapshots, removals, shots.
  void Update(float dt);
  void UpdateRemoveBot();
  void UpdateShots(float dt);
  void CollisionStep(float dt);

  // Bots ask for their removal once their death has played.
  void RemoveBot(BotX* bot);
  // The player's hit counter and the kill counter, mirrored into the device's overlay.
  void SetCounters(int32_t hits, int32_t kills);
  void AddKill();
  void AddPlayerHit();
  int32_t GetHitCounter() const { return mHitCounter; }
  int32_t GetKillCounter() const { return mKillCounter; }

  uint32_t GetNumberOfBots() const { return mNumberOfBots; }
  const ArrayX<BotX*>& GetBots() const { return mBots; }
  uint32_t GetNumberOfShots() const { return mShots.Size(); }
  const ArrayX<Shots>& GetShots() const { return mShots; }
  uint32_t GetNumberOfDynamicObjects() const { return mBINdynamicObjects.Size(); }
  bool IsDynamicObject(const ObjectMoveableX* object) const;
  Object3DX* GetWorldObject() const { return mWorldObject; }
  // Shots fired and shots destroyed since the start (tests and the log).
  uint32_t GetShotsFired() const { return mShotsFired; }
  uint32_t GetShotsDestroyed() const { return mShotsDestroyed; }
  uint32_t GetBotsRemoved() const { return mBotsRemoved; }
  uint32_t GetBotsAdded() const { return mBotsAdded; }

  bool mActive = true;
  uint32_t mMaxBots = 20;
  Object3DX* mWorldObject = nullptr;
  ArrayX<ObjectMoveableX*> mPassiveObjects;
  // Keyed by address (the whole pointer: a 32-bit key could make two objects collide).
  BinarySearchTreeX<ObjectMoveableX*, uintptr_t> mBINdynamicObjects;
  ArrayX<ObjectMoveableX*> mRemoveObjects;
  ArrayX<BotX*> mBots;
  Vector3fX mGravityDirection;
  float mGravity = 0.0f;
  CameraX* mCamera = nullptr;
  float mCameraRadius = 40.0f;
  float mBotRadius = 25.0f;
  ArrayX<BotX*> mRemoveBots;
  ArrayX<Shots> mShots;
  bool mBotsEnabled = true;
  uint32_t mNumberOfBots = 0;

 private:
  // Puts a dynamic object into this frame's removals once.
  void Retire(ObjectMoveableX* object);
  void SlideCamera(float dt);
  void SlideBot(BotX& bot);
  void MoveShots();
  void HitObject(ObjectMoveableX* target);
  Object3DX* GetShotObject();

  const GameServicesX& mServices;
  std::unique_ptr<CSound> mBackgroundSound;
  ArrayX<ObjectMoveableX*> mDestroyShots;  // shots whose life ended this frame
  int32_t mHitCounter = 0;
  int32_t mKillCounter = 0;
  uint32_t mShotsFired = 0;
  uint32_t mShotsDestroyed = 0;
  uint32_t mBotsRemoved = 0;
  uint32_t mBotsAdded = 0;
};
