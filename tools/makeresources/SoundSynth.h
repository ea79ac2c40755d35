// Synthesised stand-ins for every sound the game and the bots play. Short, mono, deterministic.
#pragma once

#include <string>
#include <vector>

namespace kxres {

struct SynthSound {
  std::string fileName;  // e.g. "Gun_Silencer.wav"
  std::vector<float> samples;
};

class SoundSynth {
 public:
  static std::vector<SynthSound> All();

  static std::vector<float> GunShot();
  static std::vector<float> Reload();
  static std::vector<float> Footsteps();
  static std::vector<float> Hum();
  static std::vector<float> BeatLoop();
  static std::vector<float> Ventilation();
  static std::vector<float> Crickets();
  static std::vector<float> DogBark();
  static std::vector<float> Huh();
  static std::vector<float> DeathCry();
};

}  // namespace kxres
