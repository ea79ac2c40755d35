#include "SoundSynth.h"

#include <cmath>

#include "Noise.h"
#include "WavWriter.h"

namespace kxres {

namespace {

constexpr float kTwoPi = 6.28318530718f;
constexpr float kRate = static_cast<float>(kSampleRate);

std::vector<float> Silence(float seconds) {
  return std::vector<float>(static_cast<size_t>(seconds * kRate), 0.0f);
}

float WhiteNoise(size_t i, uint32_t seed) { return Hash01(static_cast<uint32_t>(i), seed) * 2 - 1; }

// Adds an enveloped burst: exponential decay starting at `start` seconds.
template <typename Source>
void AddBurst(std::vector<float>& out, float start, float length, float decay, Source source) {
  const size_t first = static_cast<size_t>(start * kRate);
  for (size_t i = 0; i < static_cast<size_t>(length * kRate) && first + i < out.size(); ++i) {
    const float t = i / kRate;
    out[first + i] += std::exp(-t * decay) * source(t, first + i);
  }
}

// A one-pole low-pass filter run over the signal in place.
void LowPass(std::vector<float>& s, float amount) {
  float y = 0;
  for (float& v : s) v = y += (v - y) * amount;
}

// A voice-like sound: a glottal pulse train with gliding pitch through two formant resonators.
std::vector<float> Voice(float seconds, float pitchStart, float pitchEnd, float f1, float f2,
                         uint32_t seed) {
  std::vector<float> s = Silence(seconds);
  float phase = 0;
  float y1a = 0, y1b = 0, y2a = 0, y2b = 0;
  auto resonator = [](float in, float f, float& ya, float& yb) {
    const float r = 0.97f, c = 2 * r * std::cos(kTwoPi * f / kRate);
    const float out = in + c * ya - r * r * yb;
    yb = ya;
    ya = out;
    return out;
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const float t = i / kRate, u = t / seconds;
    phase += (pitchStart + (pitchEnd - pitchStart) * u) / kRate;
    const float pulse = (phase - std::floor(phase)) < 0.08f ? 1.0f : 0.0f;
    const float breath = 0.3f * WhiteNoise(i, seed);
    const float excitation = pulse + breath;
    const float v =
        0.02f * resonator(excitation, f1, y1a, y1b) + 0.012f * resonator(excitation, f2, y2a, y2b);
    const float env = std::min(1.0f, t * 30) * std::min(1.0f, (seconds - t) * 8);
    s[i] = v * env;
  }
  return s;
}

}  // namespace

std::vector<float> SoundSynth::GunShot() {
  std::vector<float> s = Silence(0.3f);
  AddBurst(s, 0, 0.3f, 28, [](float, size_t i) { return 0.8f * WhiteNoise(i, 1); });
  LowPass(s, 0.45f);
  AddBurst(s, 0, 0.2f, 20, [](float t, size_t) { return 0.5f * std::sin(kTwoPi * 90 * t); });
  return s;
}

std::vector<float> SoundSynth::Reload() {
  std::vector<float> s = Silence(0.5f);
  for (float at : {0.05f, 0.3f})
    AddBurst(s, at, 0.08f, 60, [](float t, size_t i) {
      return 0.5f * std::sin(kTwoPi * 2400 * t) + 0.3f * WhiteNoise(i, 2);
    });
  return s;
}

std::vector<float> SoundSynth::Footsteps() {
  std::vector<float> s = Silence(0.8f);
  for (float at : {0.0f, 0.4f})
    AddBurst(s, at, 0.15f, 35, [](float t, size_t i) {
      return 0.5f * std::sin(kTwoPi * 70 * t) + 0.25f * WhiteNoise(i, 3);
    });
  LowPass(s, 0.3f);
  return s;
}

std::vector<float> SoundSynth::Hum() {
  std::vector<float> s = Silence(2.0f);  // whole cycles of every partial: loops without a click
  for (size_t i = 0; i < s.size(); ++i) {
    const float t = i / kRate;
    s[i] = 0.25f * std::sin(kTwoPi * 50 * t) + 0.12f * std::sin(kTwoPi * 100 * t) +
           0.06f * std::sin(kTwoPi * 150 * t);
  }
  return s;
}

std::vector<float> SoundSynth::BeatLoop() {
  std::vector<float> s = Silence(2.0f);  // one bar at 120 beats per minute
  for (int beat = 0; beat < 4; ++beat) {
    const float at = beat * 0.5f;
    AddBurst(s, at, 0.25f, 14, [](float t, size_t) {
      return 0.7f * std::sin(kTwoPi * (50 + 90 * std::exp(-t * 30)) * t);
    });
    if (beat % 2)
      AddBurst(s, at, 0.2f, 22, [](float, size_t i) { return 0.35f * WhiteNoise(i, 4); });
    for (int half = 0; half < 2; ++half)
      AddBurst(s, at + half * 0.25f, 0.05f, 90, [](float t, size_t i) {
        return 0.15f * WhiteNoise(i, 5) * std::sin(kTwoPi * 7000 * t);
      });
  }
  return s;
}

std::vector<float> SoundSynth::Ventilation() {
  std::vector<float> s = Silence(2.0f);
  for (size_t i = 0; i < s.size(); ++i) s[i] = 0.5f * WhiteNoise(i, 6);
  LowPass(s, 0.05f);
  for (size_t i = 0; i < s.size(); ++i) s[i] = s[i] * 2 + 0.1f * std::sin(kTwoPi * 120 * i / kRate);
  return s;
}

std::vector<float> SoundSynth::Crickets() {
  std::vector<float> s = Silence(2.0f);
  for (int chirp = 0; chirp < 6; ++chirp) {
    const float at = 0.1f + chirp * 0.3f + 0.05f * Hash01(chirp, 7);
    for (int pulse = 0; pulse < 4; ++pulse)
      AddBurst(s, at + pulse * 0.025f, 0.02f, 150,
               [](float t, size_t) { return 0.3f * std::sin(kTwoPi * 4400 * t); });
  }
  return s;
}

std::vector<float> SoundSynth::DogBark() {
  std::vector<float> s = Silence(1.0f);
  for (float at : {0.05f, 0.45f}) {
    std::vector<float> bark = Voice(0.22f, 420, 260, 700, 1500, 8);
    for (size_t i = 0; i < bark.size(); ++i)
      s[static_cast<size_t>(at * kRate) + i] += 2.5f * bark[i];
  }
  return s;
}

std::vector<float> SoundSynth::Huh() { return Voice(0.35f, 150, 190, 600, 1100, 9); }

std::vector<float> SoundSynth::DeathCry() {
  std::vector<float> s = Voice(0.9f, 320, 110, 750, 1200, 10);
  for (size_t i = 0; i < s.size(); ++i) s[i] *= 1.6f;
  return s;
}

std::vector<SynthSound> SoundSynth::All() {
  return {
      {"volt.wav", Hum()},          {"Gun_Silencer.wav", GunShot()},
      {"Gun_Reload.wav", Reload()}, {"foot_steps_1.wav", Footsteps()},
      {"hiphop.wav", BeatLoop()},   {"ventilation.wav", Ventilation()},
      {"cricket.wav", Crickets()},  {"dog2.wav", DogBark()},
      {"huh.wav", Huh()},           {"doe.wav", DeathCry()},
  };
}

}  // namespace kxres
