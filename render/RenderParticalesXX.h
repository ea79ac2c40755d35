#pragma once
// The registry of particle emitters, keyed by the emitter's address. Nothing in the game makes
// emitters yet; the registry owns what is added and deletes it on removal or with itself.
#include <cstddef>
#include <cstdint>
#include <map>

class ParticalEmitterX {
 public:
  virtual ~ParticalEmitterX() = default;
  virtual void Update(float dt) = 0;
};

class RenderParticalesXX {
 public:
  RenderParticalesXX() = default;
  ~RenderParticalesXX();
  RenderParticalesXX(const RenderParticalesXX&) = delete;
  RenderParticalesXX& operator=(const RenderParticalesXX&) = delete;

  // Takes ownership; false (not taken) when the emitter is already registered or null.
  bool AddParticalEmitter(ParticalEmitterX* emitter);
  // Deletes a registered emitter; an unknown one is reported and left alone.
  bool RemoveParticalEmitter(ParticalEmitterX* emitter);
  void Update(float dt);
  size_t Size() const { return mParticales.size(); }

 private:
  std::map<uintptr_t, ParticalEmitterX*> mParticales;
};
