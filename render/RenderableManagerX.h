#pragma once
// RenderableManagerX: the registry of the device resources (vertex buffers, shader programs)
// that several renderables share: the buffer of a single-section mesh, the key-frame buffers of
// an animated model, the program of a shader. Entries are counted: each renderable that uses an
// entry holds one reference, and the last one to let go deletes the resource. It holds GL
// names only and makes no GL calls; it is used on the render thread alone.
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>

class RenderableManagerX {
 public:
  // What a resource is to its owner: a mesh's static buffer of a vertex type, an animated
  // mesh's key-frame buffer or its uv buffer, a shader's program.
  enum PartX : uint32_t { PART_STATIC = 0, PART_FRAME = 1, PART_TEXCOORDS = 2, PART_PROGRAM = 3 };
  struct KeyX {
    uintptr_t mOwner = 0;
    uint32_t mPart = PART_STATIC;
    uint32_t mNumber = 0;  // the vertex type or the key frame
    bool operator<(const KeyX& o) const {
      return std::tie(mOwner, mPart, mNumber) < std::tie(o.mOwner, o.mPart, o.mNumber);
    }
  };

  RenderableManagerX() = default;
  RenderableManagerX(const RenderableManagerX&) = delete;
  RenderableManagerX& operator=(const RenderableManagerX&) = delete;

  // Registers a resource with one reference held by the caller; false (and nothing changed)
  // when the key is taken or the resource is 0.
  bool AddRenderable(const KeyX& key, uint32_t resource);
  // The registered resource with one more reference for the caller; 0 when there is none.
  uint32_t GetRenderable(const KeyX& key);
  // Drops the caller's reference. Returns the resource when that was the last one (the entry
  // is gone and the caller deletes the resource), else 0.
  uint32_t ReleaseRenderable(const KeyX& key);

  size_t GetCount() const { return mEntries.size(); }
  uint32_t GetReferences(const KeyX& key) const;

 private:
  struct EntryX {
    uint32_t mResource = 0;
    uint32_t mReferences = 0;
  };
  std::map<KeyX, EntryX> mEntries;
};
