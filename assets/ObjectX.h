#pragma once
// ObjectX: a named object. The name of an asset is its source file name and its key in the
// asset manager's tree.
#include "foundation/StringX.h"

class ObjectX {
 public:
  ObjectX() = default;
  explicit ObjectX(const StringX& name);
  ObjectX(const ObjectX& other) = default;
  virtual ~ObjectX() = default;
  // Copies the name.
  ObjectX& operator=(const ObjectX& other);

  const StringX& GetName() const { return mName; }
  // Allowed only while the name is empty.
  void SetName(const StringX& name);

 protected:
  StringX mName;
};
