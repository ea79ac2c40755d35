#pragma once
// The game without a window or sound: a render device that draws nothing (it only keeps count of
// what is drawn), the real collision, object and asset managers over the generated Resources
// tree, and the game's own set-up.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "game/BotX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"
#include "game/TheGameX.h"
#include "game/WeaponSettingsX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"
#include "render/IRenderDeviceX.h"

namespace gametest {

// Collects every log line and assertion while it lives; assertions are also printed.
class LogCaptureX {
 public:
  LogCaptureX() {
    Lines().clear();
    SetReportHooks({&Log, &Report, &Report, &Report});
  }
  ~LogCaptureX() { SetReportHooks({}); }
  bool Has(const std::string& text) const { return Count(text) > 0; }
  size_t Count(const std::string& text) const {
    std::lock_guard<std::mutex> lock(Mutex());
    size_t n = 0;
    for (const std::string& line : Lines()) n += line.find(text) != std::string::npos;
    return n;
  }
  size_t Asserts() const { return Count("ASSERT "); }

 private:
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  // KX_TEST_VERBOSE prints every line as well.
  static void Log(const char* text) {
    std::lock_guard<std::mutex> lock(Mutex());
    Lines().emplace_back(text ? text : "");
    if (std::getenv("KX_TEST_VERBOSE")) std::fprintf(stderr, "%s\n", Lines().back().c_str());
  }
  static void Report(const char*, const char* function, int32_t, const char* text) {
    std::lock_guard<std::mutex> lock(Mutex());
    Lines().emplace_back(std::string("ASSERT ") + (function ? function : "") + " " +
                         (text ? text : ""));
    std::fprintf(stderr, "%s\n", Lines().back().c_str());
  }
};

// Draws nothing; keeps the set of moving objects it would draw.
class NullRenderDeviceX : public IRenderDeviceX {
 public:
  void InitRender() override {}
  void SignalRenderThreadStart() override {}
  void Resize(uint32_t, uint32_t) override {}
  void Render(float) override {}
  void SetSkyBoxTextures(const std::vector<TextureX*>&) override {}
  DeviceTextureX* TextureCreate(TextureX*, uint32_t, uint32_t, const uint32_t*) override {
    return nullptr;
  }
  DeviceTextureX* TextureCreate(TextureX*, uint32_t, uint32_t, const uint8_t*, uint32_t) override {
    return nullptr;
  }
  DeviceTextureX* TextureCubeCreate(TextureX*, uint32_t, uint32_t, const uint32_t*) override {
    return nullptr;
  }
  DeviceTextureX* TextureCubeCreate(TextureX*, uint32_t, uint32_t, const uint8_t*,
                                    uint32_t) override {
    return nullptr;
  }
  bool ReleaseResource(DeviceTextureX*) override { return true; }
  void AddObjectMoveable(ObjectMoveableX* moveable) override { mMoveables.insert(moveable); }
  void AddObject3D(Object3DX* object) override { mObjects.insert(object); }
  bool RemoveObjectMoveable(ObjectMoveableX* moveable) override {
    mMoveables.erase(moveable);
    return true;
  }
  bool RemoveObject3D(Object3DX* object) override { return mObjects.erase(object) == 1; }
  void AddCollisionDebug(CollisionDataStructureBaseX*) override {}
  void SetFieldOfView(float) override {}
  void CycleFillMode() override {}
  void ToggleBackfaceCulling() override {}

  std::set<ObjectMoveableX*> mMoveables;
  std::set<Object3DX*> mObjects;
};

// The generated Resources tree holding the city and the bot model, or empty.
inline std::filesystem::path GameResources() {
  std::vector<std::filesystem::path> candidates;
#ifdef KX_RESOURCES_DIR
  candidates.emplace_back(KX_RESOURCES_DIR);
#endif
  if (const char* source = std::getenv("KX_SOURCE_DIR")) {
    candidates.push_back(std::filesystem::path(source) / "build" / "Resources");
  }
  for (const std::filesystem::path& candidate : candidates) {
    if (std::filesystem::exists(candidate / "maps/bwcity2.bsp") &&
        std::filesystem::exists(candidate / "Models/monsters/infantry/tris.md2")) {
      return std::filesystem::absolute(candidate);
    }
  }
  return {};
}

// The whole game on the null device with audio off, working in the folder that holds the
// generated Resources tree (its SavedData keeps the collision trees between runs).
class HeadlessGameX {
 public:
  HeadlessGameX() : mOldFolder(std::filesystem::current_path()) {
    const std::filesystem::path resources = GameResources();
    if (resources.empty()) return;
    std::filesystem::current_path(resources.parent_path());
    AssetManagerBaseX::CreateSingleton();
    MeshLoaderX::CreateSingleton();
    mStructures = new CollisionDataStructureManagerX("Resources\\SavedData\\");
    mObjects = new Object3DManagerX("Resources\\");
    mCollision = new CollisionHandlerX(mStructures);
    mEnvironment = new EnviromentHandlerX;
    GameServicesX services;
    services.mCollisionHandler = mCollision;
    services.mRenderDevice = &mDevice;
    services.mObject3DManager = mObjects;
    mEnvironment->SetServices(services);
    mEnvironment->SetCamera(&mCamera);
    mAvailable = true;
  }
  ~HeadlessGameX() {
    if (!mAvailable) return;
    delete mEnvironment;
    delete mCollision;
    delete mObjects;
    delete mStructures;
    MeshLoaderX::DestroySingleton();
    AssetManagerBaseX::DestroySingleton();
    std::filesystem::current_path(mOldFolder);
  }
  HeadlessGameX(const HeadlessGameX&) = delete;
  HeadlessGameX& operator=(const HeadlessGameX&) = delete;

  bool Available() const { return mAvailable; }

  // The game's set-up; false when the city did not load.
  bool SetUp() {
    GameSetUpX parts;
    parts.mEnvironment = mEnvironment;
    parts.mCamera = &mCamera;
    parts.mWeaponSettings = &mWeapon;
    return TheGameX::SetUp(parts);
  }

  // One engine frame of the game: the camera, then the environment.
  void Frame(float dt) {
    mCamera.Update(dt);
    mEnvironment->Update(dt);
  }

  // The lowest point of the city.
  float MapFloor() const {
    const Object3DX* world = mEnvironment->GetWorldObject();
    float lowest = 1e30f;
    if (world && world->GetMesh()) {
      for (const VertexX& v : world->GetMesh()->mVertexList)
        lowest = std::min(lowest, v.position.y);
    }
    return lowest;
  }

  NullRenderDeviceX mDevice;
  CameraX mCamera;
  WeaponSettingsX mWeapon;
  CollisionDataStructureManagerX* mStructures = nullptr;
  Object3DManagerX* mObjects = nullptr;
  CollisionHandlerX* mCollision = nullptr;
  EnviromentHandlerX* mEnvironment = nullptr;

 private:
  std::filesystem::path mOldFolder;
  bool mAvailable = false;
};

}  // namespace gametest
