#pragma once
// CollisionHandlerX: the engine's front of collision. It holds the world structure (the map's
// collision tree), static mesh structures and one CollisionPack per registered moving object,
// and answers ray, swept-sphere, slide and bounce queries over all of them.
//
// Moving objects take part through ICollisionObjectX: a world matrix and the mesh whose first
// section is the object's collision group. The handler knows nothing else about them; the game
// applies the outcomes of SlideBody and MoveShot to its objects.
#include <cstdint>

#include "collision/CollisionResultX.h"
#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"
#include "geometry/Matrix4X.h"

class CollisionDataStructureBaseX;
class CollisionDataStructureManagerX;
class MeshX;

class ICollisionObjectX {
 public:
  virtual ~ICollisionObjectX() = default;
  // Places the collision mesh in the world (row vectors, translation in the last row).
  virtual const Matrix4X& GetCollisionMatrix() const = 0;
  // The object's mesh; its first section is the collision group. Null: no collision group.
  virtual const MeshX* GetCollisionMesh() const = 0;
};

// Outcome of a slide step for a walking sphere (player or bot).
struct SlideOutcomeX {
  bool mContact = false;
  Vector3fX mPosition;     // where the sphere ends
  bool mClimb = false;     // the contact polygon lets the sphere climb (flags bit 0)
  bool mStopFall = false;  // pushed back along gravity: a ceiling stops the rise
};

// A shot's segment for one frame and what became of it.
struct ShotMoveX {
  Vector3fX mLastPosition;
  Vector3fX mPosition;
  Vector3fX mDirection;
  ICollisionObjectX* mHitObject = nullptr;  // the moving object hit (the shot is retired)
  uint32_t mBounces = 0;
  bool mRetire = false;
};

class CollisionHandlerX {
 public:
  enum CollisionTypeX : uint32_t { BSP = 0 };
  static constexpr float sSlideRadius = 15.0f;
  static constexpr float sSlideSkin = 0.05f;
  static constexpr uint32_t sMaxSlidePasses = 40;
  static constexpr float sShotRadius = 1.0f;
  static constexpr uint32_t sMaxShotContacts = 5;

  struct CollisionPack {
    bool mActiveFlag = true;
    ICollisionObjectX* mObject = nullptr;
    ArrayX<CollisionDataStructureBaseX*> mStructures;  // per group; null without collision
    float mBoundRadius = 0.f;  // reach of the groups from the object's origin (local units)
  };

  explicit CollisionHandlerX(CollisionDataStructureManagerX* manager);
  ~CollisionHandlerX();
  CollisionHandlerX(const CollisionHandlerX&) = delete;
  CollisionHandlerX& operator=(const CollisionHandlerX&) = delete;

  // The world: one tree over all of the map's meshes, named by the map. sourceTime is the map
  // file's last-write time (0 when unknown).
  bool AddWorld(const StringX& name, const ArrayX<const MeshX*>& worldMeshList,
                int64_t sourceTime = 0);
  bool AddMesh(const MeshX* combinedMesh, uint32_t collisionType);
  // Registers a moving object: its collision group is the first section of its mesh, shared
  // between objects of the same mesh.
  bool AddObjectMoveableX(ICollisionObjectX* objectMoveableX);
  bool RemoveObjectMoveableX(ICollisionObjectX* objectMoveableX);

  bool TestRay(const Vector3fX& origin, const Vector3fX& direction, CollisionResultX& result,
               bool worldOnly) const;
  bool SweepSphere(const Vector3fX& from, const Vector3fX& to, float radius,
                   CollisionResultX& result, bool worldOnly) const;
  // Sphere of radius 15 from `from` towards `to`, sliding along what it meets; the end
  // position is in result.mPoint.
  bool CollideAndSlide(const Vector3fX& from, const Vector3fX& to, CollisionResultX& result) const;
  // A shot of radius 1: contact point one unit off the surface, reflected direction and the
  // point the rest of the move reaches after the bounce.
  bool TestBounce(const Vector3fX& from, const Vector3fX& to, CollisionResultX& result) const;
  bool TestSphere(const Vector3fX& center, float radius) const;

  // One frame of a walking sphere: slide from last to the attempted position. gravity is the
  // unit direction of gravity.
  SlideOutcomeX SlideBody(const Vector3fX& lastPosition, const Vector3fX& position,
                          const Vector3fX& gravity) const;
  // One frame of a shot: up to 5 contacts; bounces off the world, stops at moving objects.
  void MoveShot(ShotMoveX& shot) const;

  CollisionDataStructureBaseX* GetWorld() const { return mWorld; }
  uint32_t GetPackCount() const { return mColPacks.Size(); }
  const CollisionPack* GetPack(ICollisionObjectX* object) const;

 private:
  using QueryX = bool (*)(const CollisionDataStructureBaseX& structure, const Vector3fX& a,
                          const Vector3fX& b, float radius, CollisionResultX& result);
  bool Query(QueryX query, const Vector3fX& a, const Vector3fX& b, float radius, bool ray,
             CollisionResultX& result, bool worldOnly) const;

  CollisionDataStructureBaseX* mWorld = nullptr;
  ArrayX<CollisionDataStructureBaseX*> mStaticStructures;
  ArrayX<CollisionPack*> mColPacks;
  BinarySearchTreeX<CollisionPack*, ICollisionObjectX*> mPackByObject;
  CollisionDataStructureManagerX* mManager = nullptr;
};
