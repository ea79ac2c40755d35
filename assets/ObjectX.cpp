#include "assets/ObjectX.h"

#include "engine/ReportHooksX.h"

ObjectX::ObjectX(const StringX& name) : mName(name) {
  KX_ASSERT(!mName.Empty(), "ObjectX::ObjectX");
}

ObjectX& ObjectX::operator=(const ObjectX& other) {
  mName = other.mName;
  return *this;
}

void ObjectX::SetName(const StringX& name) {
  KX_ASSERT(mName.Empty(), "ObjectX::SetName");
  if (mName.Empty()) mName = name;
}
