#pragma once
// The game without a window or sound: a render device that draws nothing (it only keeps count of
// what is drawn), the real collision, object and asset managers over the generated Resources
// tree, and the game's own set-up.

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/FunctionLibraryX.h"
#include "game/BotX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"
#include "game/TheGameX.h"
#include "game/WeaponSettingsX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"
#include "render/IRenderDeviceX.h"
#include "tests/support/GeneratedResourcesX.h"
#include "tests/support/NullRenderDeviceX.h"
#include "tests/support/ReportCaptureX.h"
#include "tests/support/ScratchFolderX.h"

namespace gametest {

// Draws nothing; keeps the sets of objects and moving objects it would draw.
class ObjectKeepingDeviceX : public NullRenderDeviceX {
 public:
  void AddObjectMoveable(IRenderSnapshotX* moveable) override { mMoveables.insert(moveable); }
  void AddObject3D(Object3DX* object) override { mObjects.insert(object); }
  bool RemoveObjectMoveable(IRenderSnapshotX* moveable) override {
    mMoveables.erase(moveable);
    return true;
  }
  bool RemoveObject3D(Object3DX* object) override { return mObjects.erase(object) == 1; }

  std::set<IRenderSnapshotX*> mMoveables;
  std::set<Object3DX*> mObjects;
};

// The generated Resources tree holding the city and the bot model, or empty.
inline std::filesystem::path GameResources() {
  return GeneratedResources({"maps/bwcity2.bsp", "Models/monsters/infantry/tris.md2"});
}

// The whole game on the null device with audio off, working in the folder that holds the
// generated Resources tree (its SavedData keeps the collision trees between runs).
class HeadlessGameX {
 public:
  HeadlessGameX() {
    const std::filesystem::path resources = GameResources();
    if (resources.empty()) return;
    mWorking.emplace(resources.parent_path());
    AssetManagerBaseX::CreateSingleton();
    MeshLoaderX::CreateSingleton();
    mStructures = new CollisionDataStructureManagerX("Resources\\SavedData\\");
    mObjects = new Object3DManagerX("Resources\\", GetAssetManager());
    mCollision = new CollisionHandlerX(mStructures);
    mServices.mAssetManager = GetAssetManager();
    mServices.mCollisionHandler = mCollision;
    mServices.mRenderDevice = &mDevice;
    mServices.mObject3DManager = mObjects;
    mEnvironment = new EnviromentHandlerX(mServices);
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

  ObjectKeepingDeviceX mDevice;
  CameraX mCamera;
  WeaponSettingsX mWeapon;
  GameServicesX mServices;
  CollisionDataStructureManagerX* mStructures = nullptr;
  Object3DManagerX* mObjects = nullptr;
  CollisionHandlerX* mCollision = nullptr;
  EnviromentHandlerX* mEnvironment = nullptr;

 private:
  std::optional<WorkingFolderX> mWorking;  // left once the managers are gone
  bool mAvailable = false;
};

}  // namespace gametest
