#pragma once
// Small valid models written by the resource generator's encoders: the reader tests' samples
// and the fuzz targets' seeds.
#include <string>

#include "tools/makeresources/Md2Writer.h"
#include "tools/makeresources/Model3dsWriter.h"

// Frames of ten triangles over six vertices and six texture corners; frame f moves every
// vertex by f along x, or by nothing when the model stands still.
inline kxres::Md2Model SampleMd2(int frames = 3, bool still = false) {
  kxres::Md2Model model;
  model.skins = {"models/test/skin.pcx"};
  model.skinWidth = 64;
  model.skinHeight = 32;
  for (int16_t i = 0; i < 6; ++i) model.st.push_back({int16_t(i * 8), int16_t(i * 4)});
  for (uint16_t t = 0; t < 10; ++t) {
    const uint16_t a = t % 6, b = (t + 1) % 6, c = (t + 2) % 6;
    model.triangles.push_back({{a, b, c}, {a, b, c}});
  }
  for (int f = 0; f < frames; ++f) {
    kxres::Md2Model::Frame frame;
    frame.name = "stand0" + std::to_string(f);
    for (int v = 0; v < 6; ++v)
      frame.vertices.push_back({float(v * 10 + (still ? 0 : f)), float(v * 3 - 8), float(v * v)});
    model.frames.push_back(frame);
  }
  return model;
}

// A textured box with its material, an object without one, a spot light and a camera.
inline kxres::Model3ds Sample3ds() {
  kxres::Model3ds model;
  model.materials.push_back({"Crate", {10, 20, 30}, {200, 150, 100}, {255, 255, 255}, "crate.png"});
  kxres::Model3ds::Object box;
  box.name = "Box";
  box.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 3}};
  box.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  box.faces = {{0, 1, 2}, {0, 2, 3}};
  box.material = "Crate";
  model.objects.push_back(box);
  kxres::Model3ds::Object bare;
  bare.name = "Bare";
  bare.vertices = {{5, 5, 5}, {6, 5, 5}, {6, 6, 5}};
  bare.faces = {{0, 1, 2}};
  model.objects.push_back(bare);
  model.lightPosition = {1, 2, 3};
  model.lightColour = {1, 0.5f, 0};
  model.spotTarget = {0, 0, 0};
  model.cameraPosition = {10, 10, 10};
  model.cameraTarget = {0, 0, 0};
  return model;
}
