#pragma once
// The engine managers the game works with. The engine keeps one record of them, filled in as it
// creates its managers, and hands it to each game manager when that is made; a game manager
// reads the record whenever it acts, so a manager made before another (the environment before
// the render device) finds it there once it exists.
//
// Any part may be null: no collision handler means no ground, no sight and no collision step;
// no device means nothing is drawn; no audio device means silence; the object manager is
// needed for bots and shots, the asset manager for the sky box.
#include <functional>

class AssetManagerBaseX;
class AudioDirectXX;
class AudioManagerX;
class CollisionHandlerX;
class IRenderDeviceX;
class InputHandlerX;
class Object3DManagerX;

struct GameServicesX {
  AssetManagerBaseX* mAssetManager = nullptr;
  CollisionHandlerX* mCollisionHandler = nullptr;
  IRenderDeviceX* mRenderDevice = nullptr;
  Object3DManagerX* mObject3DManager = nullptr;
  AudioDirectXX* mAudioDevice = nullptr;
  AudioManagerX* mSoundLibrary = nullptr;  // the wave files by name
  InputHandlerX* mInputHandler = nullptr;
  std::function<void()> mQuit;  // ends the game after the current frame
};
