#pragma once
// BotX: the enemy of the demo, a moving object drawn with the infantry model and driven by a
// small state machine: it wanders until it hits something, turns away, spots the player, runs
// towards the player, stops to shoot within range and dies when its health runs out. The
// environment creates, counts and removes bots; its collision step tells a bot when it hit an
// obstacle and lowers its health when a shot hits it.
#include <cstdint>

#include "game/ObjectMoveableX.h"

class EnviromentHandlerX;
class SoundX;

class BotX : public ObjectMoveableX {
 public:
  enum StateX : uint32_t {
    STATE_WAITING = 0,
    STATE_SEARCHING = 1,
    STATE_CHASING = 2,
    STATE_SHOOTING = 3,
    STATE_EVADING = 4,
    STATE_DEAD = 5,
    STATE_HITOBSTACLE = 9,
  };
  struct AnimationX {
    uint8_t mFirst;
    uint8_t mLast;
    float mCycleTime;  // seconds for first..last
  };
  static constexpr uint32_t sNumberOfAnimations = 13;
  static const AnimationX sAnimationTable[sNumberOfAnimations];

  static constexpr float sWalkSpeed = 110.0f;
  static constexpr float sShotSpeed = 1200.0f;
  static constexpr float sEyeHeight = 10.0f;
  static constexpr float sSightInterval = 0.01f;
  static constexpr float sAimAngle = 0.1f;
  static constexpr uint32_t sDeathAnimation = 7;

  // On the environment that owns it (its camera is the target, its collision handler answers
  // the sight test, its audio device makes the bot's sounds).
  BotX(Object3DX* object, EnviromentHandlerX& environment);
  // Its sounds are cut loose with it; the audio device lets them play out and frees them.
  ~BotX() override = default;

  // The state machine, then the movement of the frame.
  void Update(float dt) override;
  // Whether the target is in view: the signed yaw to it (positive to the bot's right) and the
  // unit direction from the bot's eyes to it.
  bool CanSeeTarget(float& angle, Vector3fX& direction);
  // A shot at the target when the fire interval has passed.
  bool Fire();
  void AdvanceAnimation(uint32_t animation, float dt);
  void TurnTowards(float angle);

  // Sets a state from outside (collision, kill): a dead bot stays dead.
  void SetState(uint32_t state);
  // Loses `amount` health; dies when it drops below 0. Nothing happens to a dead bot.
  void TakeDamage(float amount);
  bool IsDead() const { return mState == STATE_DEAD; }
  bool IsQueuedForRemoval() const { return mQueuedForRemoval; }

  static const char* GetStateString(uint32_t state);

  uint32_t mState = STATE_SEARCHING;
  uint32_t mPreviousState = 10;
  uint32_t mStateChanged = 0;
  uint32_t mAnimation = 2;
  Vector3fX mTargetPosition;
  float mStateTimer = 0.0f;
  float mStateDuration = 0.0f;
  float mFramePosition = 0.0f;
  float mHealth = 10.0f;
  float mFireInterval = 0.25f;
  float mFireTimer = 0.0f;
  SoundX* mGunSound = nullptr;
  SoundX* mSpottedSound = nullptr;
  SoundX* mDeathSound = nullptr;
  float mShotSpeed = sShotSpeed;
  bool mCanSeeTarget = false;
  float mSightTimer = 0.0f;
  // The bearing of the last sight test, used with the cached result between tests.
  float mSightAngle = 0.0f;

 private:
  uint32_t UpdateWaiting(float dt);
  uint32_t UpdateSearching(float dt);
  uint32_t UpdateChasing(float dt);
  uint32_t UpdateShooting(float dt);
  uint32_t UpdateEvading(float dt);
  uint32_t UpdateDead(float dt);
  uint32_t UpdateHitObstacle(float dt);

  // Entry steps: the new animation from its start.
  void StartAnimation(uint32_t animation);
  void StopTurning();
  // The sight test with its cache.
  bool TestSight(float dt, float& angle);
  float DistanceToTarget() const;
  void PlaySound(SoundX* sound);

  EnviromentHandlerX& mEnvironment;
  bool mQueuedForRemoval = false;
};
