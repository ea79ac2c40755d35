#include "game/TheGameX.h"

#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "assets/TextureX.h"
#include "audio/AudioDirectXX.h"
#include "audio/AudioManagerX.h"
#include "audio/CSound.h"
#include "engine/ReportHooksX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"
#include "loaders/Object3DManagerX.h"
#include "loaders/Object3DX.h"
#include "render/IRenderDeviceX.h"

namespace {
// The night sky, in the sky box's face order.
const char* const kSkyFaces[] = {"env\\wnightrt.png", "env\\wnightlf.png", "env\\wnightup.png",
                                 "env\\wnightdn.png", "env\\wnightft.png", "env\\wnightbk.png"};

struct AmbientSoundX {
  const char* mName;
  SoundVectorX mPosition;
};
const AmbientSoundX kAmbientSounds[] = {
    {"hiphop.wav", {-1370.6f, 360.0f, -1295.0f}},
    {"ventilation.wav", {-2415.6f, 432.0f, -2073.9f}},
    {"cricket.wav", {-144.3f, 401.9f, -1171.8f}},
    {"dog2.wav", {-564.7f, 368.0f, -2750.0f}},
};

// A texture name as the texture loader reads it: backslashes, wall textures as PNG pictures.
StringX ResolveTextureName(const char* name) {
  StringX resolved(name);
  for (uint32_t i = 0; i < resolved.Size(); ++i) {
    if (resolved[i] == '/') resolved[i] = '\\';
  }
  return resolved;
}

void SetUpSkyBox(IRenderDeviceX* device, AssetManagerBaseX* assets) {
  // Nothing draws the sky without a device: its textures are not even loaded.
  if (!device || !assets) return;
  std::vector<TextureX*> textures;
  for (const char* face : kSkyFaces) {
    TextureX* texture = assets->GetAssetImpl<TextureX>(ResolveTextureName(face));
    if (!texture) {
      LogMessage(StringX("TheGame, no sky box face ") + face);
      return;
    }
    textures.push_back(texture);
  }
  device->SetSkyBoxTextures(textures);
}
}  // namespace

bool TheGameX::SetUp(const GameSetUpX& parts) {
  EnviromentHandlerX* environment = parts.mEnvironment;
  CameraX* camera = parts.mCamera;
  if (!environment || !camera) return false;
  const GameServicesX& services = environment->GetServices();
  AudioDirectXX* audio = services.mAudioDevice;

  // 1. The background hum, looping for the whole game.
  if (services.mSoundLibrary) {
    if (CSound* background = services.mSoundLibrary->GetSound("volt.wav")) {
      background->Play(SOUNDPLAY_LOOPING);
      environment->SetBackgroundSound(background);
    }
  }
  // 2. The night sky.
  SetUpSkyBox(services.mRenderDevice, services.mAssetManager);
  // 3. The player.
  environment->SetCamera(camera);
  camera->mPosition = Vector3fX(-1100.0f, 360.0f, -1500.0f);
  camera->mLastPosition = camera->mPosition;
  camera->SetUseAngles(true);
  camera->SetMaxPitch(sMaxPitch);
  camera->mRadius = 40.0f;
  camera->Update(0.0f);
  camera->TakeRenderSnapshotBoth();
  // 4. The city.
  Object3DX* city =
      services.mObject3DManager ? services.mObject3DManager->GetObject3DX("bwcity2.bsp") : nullptr;
  // 5. Gravity and the world.
  environment->mGravityDirection = Vector3fX(0.0f, -1.0f, 0.0f);
  environment->mGravity = sGravity;
  const bool world = city && environment->AddWorld(city);
  if (!world) LogMessage("TheGame, could not load the city bwcity2.bsp");
  environment->mActive = true;
  camera->mClipping = true;
  if (world && services.mRenderDevice) services.mRenderDevice->AddObject3D(city);
  // 6. The gun.
  if (WeaponSettingsX* weapon = parts.mWeaponSettings) {
    weapon->mShotSpeed = 750.0f;
    weapon->mFireInterval = 0.1f;
    if (audio) {
      weapon->mGunSound = audio->AddSound("Gun_Silencer.wav", camera);
      weapon->mReloadSound = audio->AddSound("Gun_Reload.wav", camera);
      weapon->mFootstepSound = audio->AddSound("foot_steps_1.wav", camera);
    }
    weapon->mSpare[0] = nullptr;
  }
  // 7. The bots.
  LogMessage("Adding bots");
  for (uint32_t i = 0; i < sNumberOfBots; ++i) environment->AddBot();
  LogMessage("Finished adding bots");
  // 8. The player falls from now on.
  camera->mUseGravity = true;
  // 9. The places that sound.
  if (audio) {
    for (const AmbientSoundX& ambient : kAmbientSounds) {
      audio->AddAmbientSound(ambient.mName, ambient.mPosition);
    }
  }
  // 10. The counters.
  environment->SetCounters(100, 0);
  // The background hum was never placed on the audio device, so it is not handed to
  // RemoveSound: it keeps looping until the environment stops.
  return world;
}
