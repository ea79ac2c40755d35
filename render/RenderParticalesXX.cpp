#include "render/RenderParticalesXX.h"

#include "engine/ReportHooksX.h"

RenderParticalesXX::~RenderParticalesXX() {
  for (auto& entry : mParticales) delete entry.second;
  mParticales.clear();
}

bool RenderParticalesXX::AddParticalEmitter(ParticalEmitterX* emitter) {
  if (!emitter) return false;
  return mParticales.emplace(reinterpret_cast<uintptr_t>(emitter), emitter).second;
}

bool RenderParticalesXX::RemoveParticalEmitter(ParticalEmitterX* emitter) {
  auto ite = mParticales.find(reinterpret_cast<uintptr_t>(emitter));
  KX_ASSERT_MSG(ite != mParticales.end(), "RenderParticalesXX::RemoveParticalEmitter",
                "ite != mParticales.end()");
  if (ite == mParticales.end()) return false;
  delete ite->second;
  mParticales.erase(ite);
  return true;
}

void RenderParticalesXX::Update(float dt) {
  for (auto& entry : mParticales) entry.second->Update(dt);
}
