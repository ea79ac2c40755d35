#include "game/EnviromentHandlerX.h"

#include <algorithm>

#include "audio/CSound.h"
#include "collision/CollisionDataStructureBaseX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"
#include "game/BotX.h"
#include "game/CameraX.h"
#include "game/ObjectMoveableX.h"
#include "geometry/DebugLinesX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DManagerX.h"
#include "loaders/Object3DX.h"
#include "render/IRenderDevice2DX.h"
#include "render/IRenderDeviceX.h"

namespace {
constexpr float kRandScale = 3.051851e-5f;  // 1 / 32767

struct SpawnRowX {
  Vector3fX mPosition;
  Vector3fX mDirection;
};

const SpawnRowX kSpawnPoints[EnviromentHandlerX::sSpawnPoints] = {
    {{-697.45f, 380.0f, -1026.516f}, {-0.0284f, -0.00749f, -0.99956f}},
    {{-1468.1741f, 388.00003f, -2169.5627f}, {0.98438f, -0.05497f, 0.16724f}},
    {{-969.65656f, 388.0f, -2913.1072f}, {0.254f, -0.00249f, 0.9672f}},
    {{-591.1229f, 388.0f, -2785.6848f}, {-0.95295f, -0.01499f, 0.30274f}},
    {{-717.191f, 380.0f, -3572.1907f}, {-0.99984f, -0.01749f, 0.0026f}},
    {{-757.4576f, 380.0f, -3454.2896f}, {-0.02818f, -0.0025f, 0.99959f}},
    {{-2141.5188f, 508.0f, -3623.6655f}, {-0.11045f, -0.00749f, 0.99385f}},
    {{-3109.6213f, 452.0f, -3410.1785f}, {-0.00568f, -0.02749f, 0.9996f}},
    {{-2984.0525f, 452.0f, -3410.3962f}, {0.99921f, 0.03499f, -0.0185f}},
    {{-3643.4082f, 500.00003f, -2754.883f}, {0.72271f, -0.06245f, -0.68831f}},
    {{-3680.1304f, 452.0f, -2467.1086f}, {0.99884f, -0.02499f, -0.04099f}},
    {{-2926.637f, 452.0f, -1991.4991f}, {0.09457f, -0.03249f, -0.99498f}},
    {{-2509.0627f, 452.0f, -2000.1758f}, {0.6764f, -0.09236f, 0.73071f}},
    {{-3370.9946f, 780.0f, -2107.2236f}, {0.97781f, -0.1741f, -0.11643f}},
    {{-2317.6396f, 716.0f, -2058.4226f}, {0.99121f, -0.13211f, 0.00642f}},
    {{-2318.525f, 716.0f, -2169.3f}, {-0.0367f, -0.23041f, -0.9724f}},
    {{-2281.449f, 524.0f, -1384.1842f}, {0.99966f, -0.02499f, 0.00716f}},
    {{-1525.4681f, 488.4685f, -1697.8838f}, {0.99795f, -0.05996f, 0.02211f}},
};

uintptr_t KeyOf(const ObjectMoveableX* object) { return reinterpret_cast<uintptr_t>(object); }

// Distance from p to the segment a-b.
float DistanceToSegment(const Vector3fX& p, const Vector3fX& a, const Vector3fX& b) {
  const Vector3fX ab = b - a;
  const float length = ab.LengthSquared();
  float t = length > 0.0f ? Dot(p - a, ab) / length : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  return (a + ab * t - p).Length();
}
}  // namespace

EnviromentHandlerX::EnviromentHandlerX(const GameServicesX& services) : mServices(services) {}

EnviromentHandlerX::~EnviromentHandlerX() {
  LogMessage(StringX("EnviromentHandler, shots fired: ") + mShotsFired + ", shots expired: " +
             mShotsDestroyed + ", bots added: " + mBotsAdded + ", bots removed: " + mBotsRemoved +
             ", kills: " + mKillCounter + ", player hit counter: " + mHitCounter);
  for (BotX* bot : mBots) delete bot;
  mBots.Clear();
  for (const Shots& shot : mShots) delete shot.mShot;
  mShots.Clear();
  // Bots already taken out of mBots wait here only within a frame.
  mRemoveBots.Clear();
}

void EnviromentHandlerX::SetBackgroundSound(CSound* sound) {
  if (sound != mBackgroundSound.get()) mBackgroundSound.reset(sound);
}

bool EnviromentHandlerX::AddWorld(Object3DX* object) {
  if (!object || !object->GetMesh()) {
    LogMessage("EnviromentHandler, the world object has no mesh");
    return false;
  }
  mWorldObject = object;
  if (!mServices.mCollisionHandler) return true;
  ArrayX<const MeshX*> meshes;
  meshes.IncreaseSize(1);
  meshes.Add(object->GetMesh());
  if (!mServices.mCollisionHandler->AddWorld(object->GetName(), meshes)) return false;
  // The device keeps the tree's lines for its BSP debug switch.
  const CollisionDataStructureBaseX* tree = mServices.mCollisionHandler->GetWorld();
  if (mServices.mRenderDevice && tree) {
    DebugLinesX lines;
    tree->GetDebugLines(lines);
    mServices.mRenderDevice->AddCollisionDebug(lines);
  }
  return true;
}

void EnviromentHandlerX::AddDynamicObject(ObjectMoveableX& objectMoveable) {
  KX_ASSERT_MSG(mBINdynamicObjects.Find(KeyOf(&objectMoveable)) == nullptr,
                "EnviromentHandlerX::AddDynamicObject",
                "mBINdynamicObjects.Find(reinterpret_cast<uintX>(&objectMoveable)) == "
                "mBINdynamicObjects.end()");
  mBINdynamicObjects.Add(&objectMoveable, KeyOf(&objectMoveable));
  KX_ASSERT_MSG(mBINdynamicObjects.Find(KeyOf(&objectMoveable)) != nullptr,
                "EnviromentHandlerX::AddDynamicObject",
                "mBINdynamicObjects.Find(reinterpret_cast<uintX>(&objectMoveable)) != "
                "mBINdynamicObjects.end()");
}

bool EnviromentHandlerX::IsDynamicObject(const ObjectMoveableX* object) const {
  return mBINdynamicObjects.Find(KeyOf(object)) != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Bots

void EnviromentHandlerX::GetSpawnPoint(uint32_t row, Vector3fX& position, Vector3fX& direction) {
  const SpawnRowX& spawn = kSpawnPoints[std::min(row, sSpawnPoints - 1)];
  position = spawn.mPosition;
  direction = spawn.mDirection;
}

void EnviromentHandlerX::GetSpawnPoint(Vector3fX& position, Vector3fX& direction) {
  const float r = static_cast<float>(FunctionsX::Rand());
  GetSpawnPoint(static_cast<uint32_t>(r * kRandScale * 17.0f), position, direction);
}

void EnviromentHandlerX::AddBot() {
  if (!mBotsEnabled) return;
  EnableAndAddBot();
}

void EnviromentHandlerX::EnableAndAddBot() {
  mBotsEnabled = true;
  if (mNumberOfBots >= mMaxBots) {
    LogMessage(StringX("Max number of bots reached : ") + mNumberOfBots);
    return;
  }
  Object3DX* object = mServices.mObject3DManager
                          ? mServices.mObject3DManager->GetObject3DX("monsters\\infantry\\tris.md2")
                          : nullptr;
  if (!object) {
    LogMessage("EnviromentHandler, no bot model");
    return;
  }
  PlaceBot(object);
}

BotX* EnviromentHandlerX::PlaceBot(Object3DX* object, const Vector3fX* position,
                                   const Vector3fX* direction) {
  ++mNumberOfBots;
  ++mBotsAdded;
  object->mFlag = 1;
  BotX* bot = new BotX(object, *this);
  Vector3fX spawnPosition, spawnDirection;
  if (position && direction) {
    spawnPosition = *position;
    spawnDirection = *direction;
  } else {
    GetSpawnPoint(spawnPosition, spawnDirection);
  }
  bot->mPosition = spawnPosition;
  bot->mLastPosition = spawnPosition;
  bot->SetDirection(spawnDirection);
  bot->Update(0.0f);
  for (float& speed : bot->mRotationSpeed) speed = 0.0f;
  bot->mClipping = true;
  // Absolute angles start from the spawn direction, so the bot keeps facing it.
  bot->SetUseAngles(true);
  bot->SetMaxPitch(sBotMaxPitch);
  bot->mRadius = mBotRadius;
  bot->mUseGravity = true;
  mBots.Add(bot);
  if (mServices.mCollisionHandler) mServices.mCollisionHandler->AddObjectMoveableX(bot);
  if (mServices.mRenderDevice) mServices.mRenderDevice->AddObjectMoveable(bot);
  bot->Update(0.0f);
  bot->TakeRenderSnapshotBoth();
  return bot;
}

void EnviromentHandlerX::KillAllBots() {
  if (mNumberOfBots == 0) return;
  mBotsEnabled = false;
  for (BotX* bot : mBots) {
    if (bot->IsDead()) continue;
    bot->TakeDamage(10000.0f);
  }
}

void EnviromentHandlerX::RemoveBot(BotX* bot) {
  // A bot asks once (BotX keeps a flag).
  if (bot) mRemoveBots.Add(bot);
}

void EnviromentHandlerX::UpdateRemoveBot() {
  IRenderDeviceX* device = mServices.mRenderDevice;
  for (BotX* bot : mRemoveBots) {
    if (device) {
      const bool drawingRemoved = device->RemoveObjectMoveable(bot);
      KX_ASSERT_MSG(drawingRemoved, "EnviromentHandlerX::UpdateRemoveBot",
                    "GetKorvelX().GetRenderDevice().RemoveObject3DX(**ite)");
    }
    auto botIte = mBots.Find(bot);
    KX_ASSERT_MSG(botIte != mBots.end(), "EnviromentHandlerX::UpdateRemoveBot",
                  "botIte != mBots.end()");
    if (botIte != mBots.end()) mBots.Remove(botIte);
    if (mServices.mCollisionHandler) {
      const bool collisionRemoved = mServices.mCollisionHandler->RemoveObjectMoveableX(bot);
      KX_ASSERT_MSG(collisionRemoved, "EnviromentHandlerX::UpdateRemoveBot",
                    "GetKorvelX().GetCollisionHandler().RemoveObjectMoveableX(*ite)");
    }
    if (mNumberOfBots > 0) --mNumberOfBots;
  }
  for (BotX* bot : mRemoveBots) {
    DestroyObjectMoveableAfterRender(device, bot);
    ++mBotsRemoved;
  }
  mRemoveBots.Clear();
}

// ---------------------------------------------------------------------------------------------
// Shots

Object3DX* EnviromentHandlerX::GetShotObject() {
  Object3DManagerX* objects = mServices.mObject3DManager;
  if (!objects) return nullptr;
  return objects->GetPrimitiveObject3DX(PRIMITIVE_SPHERE, "Shot", 5, 5, false, false);
}

void EnviromentHandlerX::Shoot(CameraX* shooter, float speed, float advance) {
  Shoot(shooter, speed, advance, nullptr, nullptr);
}

ObjectMoveableX* EnviromentHandlerX::Shoot(Movement3DX* shooter, float speed, float advance,
                                           const Vector3fX* target, const Vector3fX* offset) {
  Object3DX* object = GetShotObject();
  if (!shooter || !object) return nullptr;
  ObjectMoveableX* shot = new ObjectMoveableX(object);
  shot->mSpeed = speed;
  Vector3fX position = shooter->mPosition;
  if (offset) position += *offset;
  position += shooter->mDirection * 10.0f;
  shot->mPosition = position;
  shot->mLastPosition = position;
  Vector3fX direction = shooter->mDirection;
  if (target) {
    const Vector3fX toTarget = *target - position;
    if (toTarget.LengthSquared() > 0.0f) direction = toTarget.Normalized();
  }
  shot->SetDirection(direction);
  shot->Update(0.0f);
  shot->Update(advance);
  shot->TakeRenderSnapshotBoth();
  shot->mOwner = dynamic_cast<ObjectMoveableX*>(shooter);
  AddDynamicObject(*shot);
  if (mServices.mRenderDevice) mServices.mRenderDevice->AddObjectMoveable(shot);
  mShots.Add({shot, 0.0f});
  ++mShotsFired;
  return shot;
}

void EnviromentHandlerX::Retire(ObjectMoveableX* object) {
  if (mRemoveObjects.Find(object) == mRemoveObjects.end()) mRemoveObjects.Add(object);
}

void EnviromentHandlerX::UpdateShots(float dt) {
  for (uint32_t i = 0; i < mShots.Size();) {
    Shots& record = mShots[i];
    record.mAge += dt;
    if (record.mAge > sShotLifeTime) {
      if (IsDynamicObject(record.mShot)) Retire(record.mShot);
      mDestroyShots.Add(record.mShot);
      mShots.Remove(i);  // the last record moves here and is examined next
      continue;
    }
    ++i;
  }
}

// ---------------------------------------------------------------------------------------------
// Gravity and the frame

void EnviromentHandlerX::ApplyGravity(Movement3DX& object, float dt) {
  if (!mActive || !object.mUseGravity) return;
  CollisionResultX result;
  const bool hit =
      mServices.mCollisionHandler &&
      mServices.mCollisionHandler->TestRay(object.mPosition, mGravityDirection, result, true);
  const float r = object.mRadius;
  if (!hit) {
    // Nothing below: the object falls (there is no hit point to snap to).
    object.mOnGround = false;
    object.mFallSpeed -= mGravity * dt;
    return;
  }
  const float d2 = (object.mPosition - result.mPoint).LengthSquared();
  if (d2 > r * r) {
    const float reach = r + sStepDown;
    if (object.mOnGround && d2 < reach * reach) {
      object.mPosition = result.mPoint - mGravityDirection * r;
      object.mFallSpeed = 0.0f;
    } else {
      object.mOnGround = false;
      object.mFallSpeed -= mGravity * dt;
    }
    return;
  }
  if (d2 < r * r) {
    if (object.mFallSpeed > 0.0f) {
      object.mFallSpeed -= mGravity * dt;
    } else {
      object.mPosition = result.mPoint - mGravityDirection * r;
      if (!object.mOnGround) {
        object.mFallSpeed = 0.0f;
        object.mOnGround = true;
      }
    }
  }
}

void EnviromentHandlerX::Update(float dt) {
  if (mCamera) ApplyGravity(*mCamera, dt);
  for (auto& node : mBINdynamicObjects) {
    ObjectMoveableX* object = node.GetValue();
    ApplyGravity(*object, dt);
    if (mWorldObject) object->Update(dt);  // also takes the render snapshot
  }
  for (BotX* bot : mBots) ApplyGravity(*bot, dt);
  if (mWorldObject) {
    // By index: a dying bot adds its replacement to mBots while this runs.
    for (uint32_t i = 0; i < mBots.Size(); ++i) mBots[i]->Update(dt);
    CollisionStep(dt);
  }
  for (ObjectMoveableX* object : mPassiveObjects) object->TakeRenderSnapshot();
  if (mCamera) mCamera->TakeRenderSnapshot();
  UpdateRemoveBot();
  UpdateShots(dt);
  for (ObjectMoveableX* object : mRemoveObjects) {
    mBINdynamicObjects.Remove(KeyOf(object));
    if (mServices.mRenderDevice) mServices.mRenderDevice->RemoveObjectMoveable(object);
  }
  mRemoveObjects.Clear();
  for (ObjectMoveableX* shot : mDestroyShots) {
    RemoveAndDestroyObjectMoveable(mServices.mRenderDevice, shot);
    ++mShotsDestroyed;
  }
  mDestroyShots.Clear();
}

bool EnviromentHandlerX::ToggleActive() {
  mActive = !mActive;
  return mActive;
}

// ---------------------------------------------------------------------------------------------
// The collision step

void EnviromentHandlerX::CollisionStep(float dt) {
  if (!mServices.mCollisionHandler || !mServices.mCollisionHandler->GetWorld()) return;
  if (mActive && mCamera) SlideCamera(dt);
  for (BotX* bot : mBots) SlideBot(*bot);
  MoveShots();
}

void EnviromentHandlerX::SlideCamera(float dt) {
  CameraX& camera = *mCamera;
  const SlideOutcomeX outcome = mServices.mCollisionHandler->SlideBody(
      camera.mLastPosition, camera.mPosition, mGravityDirection);
  if (outcome.mContact) {
    if (outcome.mStopFall) camera.mFallSpeed = 0.0f;
    camera.mPosition = outcome.mPosition;
    camera.Update(0.0f);
  }
  if (outcome.mContact && outcome.mClimb) {
    camera.mClimbing = true;
    camera.mRadius += 100.0f * dt;
  } else {
    camera.mClimbing = false;
    camera.mRadius = mCameraRadius;
  }
}

void EnviromentHandlerX::SlideBot(BotX& bot) {
  const SlideOutcomeX outcome =
      mServices.mCollisionHandler->SlideBody(bot.mLastPosition, bot.mPosition, mGravityDirection);
  if (outcome.mContact) {
    if (outcome.mStopFall) bot.mFallSpeed = 0.0f;
    bot.mPosition = outcome.mPosition;
    // The placement follows without running the state machine again.
    bot.mLastPosition = bot.mPosition;
    bot.UpdateWorldMatrix();
    bot.TakeRenderSnapshot();
    bot.SetState(BotX::STATE_HITOBSTACLE);  // a dead bot stays dead
  }
  if (outcome.mContact && outcome.mClimb) {
    bot.mClimbing = true;
    bot.mRadius += 1.0f;
  } else {
    bot.mClimbing = false;
    bot.mRadius = mBotRadius;
  }
}

void EnviromentHandlerX::HitObject(ObjectMoveableX* target) {
  if (BotX* bot = dynamic_cast<BotX*>(target)) bot->TakeDamage(1.0f);
}

void EnviromentHandlerX::MoveShots() {
  const CollisionHandlerX& collision = *mServices.mCollisionHandler;
  for (auto& node : mBINdynamicObjects) {
    ObjectMoveableX* shot = node.GetValue();
    ShotMoveX move;
    move.mLastPosition = shot->mLastPosition;
    move.mPosition = shot->mPosition;
    move.mDirection = shot->mDirection;
    collision.MoveShot(move);
    if (move.mBounces > 0) {
      // The bounced segment stays the shot's last move (an update would wipe it).
      shot->mLastPosition = move.mLastPosition;
      shot->mPosition = move.mPosition;
      shot->SetDirection(move.mDirection);
      shot->UpdateWorldMatrix();
      shot->TakeRenderSnapshot();
    }
    if (move.mHitObject) HitObject(ObjectMoveableX::FromCollisionObject(move.mHitObject));
    if (move.mRetire) {
      Retire(shot);
      continue;
    }
    // A bot's shot that reaches the player.
    if (mCamera && shot->mOwner &&
        DistanceToSegment(mCamera->mPosition, shot->mLastPosition, shot->mPosition) <
            sShotHitRange) {
      AddPlayerHit();
      Retire(shot);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Counters

void EnviromentHandlerX::SetCounters(int32_t hits, int32_t kills) {
  mHitCounter = hits;
  mKillCounter = kills;
  IRenderDevice2DX* overlay =
      mServices.mRenderDevice ? mServices.mRenderDevice->Get2DRender() : nullptr;
  if (overlay) {
    overlay->mHitCounter.store(hits, std::memory_order_relaxed);
    overlay->mKillCounter.store(kills, std::memory_order_relaxed);
  }
}

void EnviromentHandlerX::AddKill() { SetCounters(mHitCounter, mKillCounter + 1); }

void EnviromentHandlerX::AddPlayerHit() { SetCounters(mHitCounter - 1, mKillCounter); }
