#include "render/RenderableManagerX.h"

bool RenderableManagerX::AddRenderable(const KeyX& key, uint32_t resource) {
  if (resource == 0) return false;
  return mEntries.emplace(key, EntryX{resource, 1}).second;
}

uint32_t RenderableManagerX::GetRenderable(const KeyX& key) {
  auto it = mEntries.find(key);
  if (it == mEntries.end()) return 0;
  ++it->second.mReferences;
  return it->second.mResource;
}

uint32_t RenderableManagerX::ReleaseRenderable(const KeyX& key) {
  auto it = mEntries.find(key);
  if (it == mEntries.end()) return 0;
  if (--it->second.mReferences > 0) return 0;
  const uint32_t resource = it->second.mResource;
  mEntries.erase(it);
  return resource;
}

uint32_t RenderableManagerX::GetReferences(const KeyX& key) const {
  auto it = mEntries.find(key);
  return it == mEntries.end() ? 0 : it->second.mReferences;
}
