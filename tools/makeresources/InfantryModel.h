// The bot: a jointed soldier made of prisms, posed for each of the 207 key frames of the
// animation table the game uses (stand, fidget, walk, run, two pains, duck, three death
// falls, crouch, two attacks).
#pragma once

#include <string>

#include "Md2Writer.h"

namespace kxres {

struct AnimationRange {
  const char* name;
  int first, last;
};

class InfantryModel {
 public:
  static constexpr int kFrameCount = 207;
  static const AnimationRange* Ranges(int* count);
  static Md2Model Build(const std::string& skinName);
};

}  // namespace kxres
