#pragma once
// Shared by the reader fuzz targets: the input becomes a file (the readers read whole files),
// the reader reads it and, when it accepts it, builds its meshes, which are then freed. No
// asset manager runs, so textures and materials stay null and nothing is written.
#include <string>

#include "foundation/ArrayX.h"
#include "geometry/MeshX.h"
#include "tests/streams/fuzz/FuzzSupportX.h"

template <class Reader, class ReadFunction>
int FuzzReader(const uint8_t* data, size_t size, const char* extension, ReadFunction read) {
  static const std::string path = FuzzFolder() + "/input" + extension;
  WriteFuzzFile(path, data, size);
  Reader reader;
  if (read(reader, StringX(path.c_str()))) {
    ArrayX<MeshX*> meshes;
    reader.GetMeshes(meshes);
    for (MeshX* mesh : meshes) delete mesh;
  }
  return 0;
}
