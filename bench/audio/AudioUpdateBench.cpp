// Audio update per frame with 30 playing sounds that follow moving owners (the size of the
// game: a camera with its three sounds, bots and ambient sounds), over OpenAL Soft's
// loopback device so that no sound card is needed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "audio/AudioDirectXX.h"
#include "audio/AudioManagerX.h"
#include "audio/CSound.h"

namespace {

constexpr int kNumberOfSounds = 30;

class Mover final : public SoundOwnerX {
 public:
  SoundFrameX GetSoundFrame() const override { return frame; }
  SoundFrameX frame;
};

void WriteTone(const std::filesystem::path& path) {
  const uint32_t frames = 22050 / 4;
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(10000.0 * std::sin(6.2831853 * 441.0 * i / 22050.0));
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
  }
  auto u32 = [](std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  std::ofstream f(path, std::ios::binary);
  f.write("RIFF", 4);
  u32(f, 36 + static_cast<uint32_t>(data.size()));
  f.write("WAVEfmt ", 8);
  u32(f, 16);
  u16(f, 1);
  u16(f, 1);
  u32(f, 22050);
  u32(f, 44100);
  u16(f, 2);
  u16(f, 16);
  f.write("data", 4);
  u32(f, static_cast<uint32_t>(data.size()));
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

struct Scene {
  Scene() {
    old = std::filesystem::current_path();
    dir = std::filesystem::temp_directory_path() / ("kx_audio_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "Resources" / "Sound");
    WriteTone(dir / "Resources" / "Sound" / "tone.wav");
    std::filesystem::current_path(dir);
    library = std::make_unique<AudioManagerX>("Resources\\Sound\\");
    device = std::make_unique<AudioDirectXX>(library.get());
    library->SetAudioDevice(device.get());
    ready = device->InitLoopback(22050);
    device->SetListener(&camera);
    for (int i = 0; i < kNumberOfSounds && ready; ++i) {
      owners[i].frame.mPosition = {100.0f * i, 0.0f, 50.0f * i};
      SoundX* sound = device->AddSound("tone.wav", &owners[i]);
      ready = sound && sound->GetSound()->Play(SOUNDPLAY_LOOPING);
    }
  }
  ~Scene() {
    library.reset();
    device.reset();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
  }
  void Move(float t) {
    camera.frame.mPosition = {t, 0.0f, -t};
    for (Mover& owner : owners) owner.frame.mPosition.x += 1.0f;
  }

  std::filesystem::path old, dir;
  Mover camera;
  Mover owners[kNumberOfSounds];
  std::unique_ptr<AudioManagerX> library;
  std::unique_ptr<AudioDirectXX> device;
  bool ready = false;
};

// A frame on which the update acts (every tenth of a second): listener and 30 sounds moved.
void BM_AudioUpdateActing(benchmark::State& state) {
  Scene scene;
  if (!scene.ready) {
    state.SkipWithError("no loopback device");
    return;
  }
  float t = 0.0f;
  for (auto _ : state) {
    // The first call only gathers the interval (a few nanoseconds); the second acts.
    scene.device->Update(AudioDirectXX::sUpdateInterval);
    scene.Move(t += 1.0f);
    scene.device->Update(1.0f / 300.0f);
  }
}
BENCHMARK(BM_AudioUpdateActing);

// Every frame at 300 frames per second: mostly only the timer moves, one in 30 acts.
void BM_AudioUpdateAverageAt300Fps(benchmark::State& state) {
  Scene scene;
  if (!scene.ready) {
    state.SkipWithError("no loopback device");
    return;
  }
  for (auto _ : state) {
    scene.device->Update(1.0f / 300.0f);
    if (scene.device->GetNumberOfSounds() == 0) state.SkipWithError("sounds lost");
  }
}
BENCHMARK(BM_AudioUpdateAverageAt300Fps);

}  // namespace

BENCHMARK_MAIN();
