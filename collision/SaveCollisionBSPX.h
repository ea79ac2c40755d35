#pragma once
// SaveCollisionBSPX: writes a collision tree as a ".bpX" file. The file is written under a
// temporary name and renamed into place only when every byte went out, so a failed save never
// leaves a partial file behind.
#include <memory>

#include "collision/ReadWriteEngineFilesX.h"
#include "foundation/StringX.h"

class BinaryWriterX;
class CollisionBSPX;

class SaveCollisionBSPX {
 public:
  explicit SaveCollisionBSPX(const StringX& folder);
  ~SaveCollisionBSPX();
  SaveCollisionBSPX(const SaveCollisionBSPX&) = delete;
  SaveCollisionBSPX& operator=(const SaveCollisionBSPX&) = delete;

  // Writes folder + name + ".bpX". False (logged, nothing left behind) when a count does not
  // fit the file's 16-bit fields or a write, the close or the rename failed.
  bool Save(const CollisionBSPX& tree, const StringX& name, const CollisionFileStampX& stamp);

  // The file name of a structure in a folder; characters that would open folders are replaced.
  static StringX GetFileName(const StringX& folder, const StringX& name);

 private:
  static bool FitsFile(const CollisionBSPX& tree);
  void WritePolygonListToFile(const CollisionBSPX& tree);
  void WritePlaneListToFile(const CollisionBSPX& tree);
  void WriteBoundingVolumeListToFile(const CollisionBSPX& tree);
  void WriteNodeToFile(const CollisionBSPX& tree, uint32_t nodeIndex);

  std::unique_ptr<BinaryWriterX> mWriteEngineFiles;
  StringX mFolder;
};
