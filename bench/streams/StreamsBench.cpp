// Asset cache and whole-file reading speed.
//   Asset/Generate      : a new asset generated from scratch and its cache file written
//   Asset/LoadFromCache : the same asset loaded from its cache file
//   ReadWholeFile/*     : BinaryReaderX::Open against a plain open/fstat/read/close of one file
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/AssetManagerImplX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {

// A stand-in for an expensive asset (texture compression, shader compilation): 256 KiB of
// pixels computed with some arithmetic per byte, and a few header values.
class BenchAssetX : public AssetX {
 public:
  explicit BenchAssetX(const StringX& name) : AssetX(name) {}
  bool GenerateAsset(const void*) override {
    mWidth = 512;
    mHeight = 512;
    mPixels.Resize(mWidth * mHeight);
    uint32_t state = 0x12345678;
    for (uint32_t i = 0; i < mPixels.Size(); ++i) {
      for (int round = 0; round < 16; ++round) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
      }
      mPixels[i] = static_cast<unsigned char>(state);
    }
    return true;
  }
  void SerializeAsset(StreamX& stream) override { stream << mWidth << mHeight << mPixels; }
  const char* GetCacheExtension() const override { return ".BenchX"; }

 private:
  unsigned int mWidth = 0;
  unsigned int mHeight = 0;
  ArrayX<unsigned char> mPixels;
};

// Runs the benchmarks inside a private folder.
struct BenchFolderX {
  BenchFolderX() {
    std::string pattern = "/tmp/kx_bench_XXXXXX";
    path = mkdtemp(pattern.data());
    previous = std::filesystem::current_path();
    std::filesystem::current_path(path);
  }
  ~BenchFolderX() {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(path);
  }
  std::string path;
  std::filesystem::path previous;
};

BenchFolderX& Folder() {
  static BenchFolderX folder;
  return folder;
}

void RequestOnce() {
  AssetManagerBaseX::CreateSingleton();
  benchmark::DoNotOptimize(GetAssetImpl<BenchAssetX>(StringX("bench.src")));
  AssetManagerBaseX::DestroySingleton();
}

void BM_AssetGenerate(benchmark::State& state) {
  Folder();
  for (auto _ : state) {
    std::filesystem::remove("Resources/SavedData/bench.BenchX");
    RequestOnce();
  }
}
BENCHMARK(BM_AssetGenerate)->Name("Asset/Generate")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AssetLoadFromCache(benchmark::State& state) {
  Folder();
  RequestOnce();  // makes sure the cache exists
  for (auto _ : state) RequestOnce();
}
BENCHMARK(BM_AssetLoadFromCache)
    ->Name("Asset/LoadFromCache")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

const std::string& BigFile() {
  static const std::string path = [] {
    const std::string file = Folder().path + "/big.bin";
    std::vector<char> block(1 << 20, 'x');
    FILE* out = std::fopen(file.c_str(), "wb");
    for (int i = 0; i < 32; ++i) std::fwrite(block.data(), 1, block.size(), out);
    std::fclose(out);
    return file;
  }();
  return path;
}

void BM_ReadBinaryReaderX(benchmark::State& state) {
  const StringX name(BigFile().c_str());
  int64_t bytes = 0;
  for (auto _ : state) {
    BinaryReaderX reader;
    if (!reader.Open(name)) state.SkipWithError("open failed");
    bytes += reader.GetSize();
    benchmark::DoNotOptimize(reader.GetData());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadBinaryReaderX)
    ->Name("ReadWholeFile/BinaryReaderX")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReadPlain(benchmark::State& state) {
  const std::string& path = BigFile();
  int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat info;
    fstat(fd, &info);
    char* data = new char[info.st_size];
    ssize_t done = 0;
    while (done < info.st_size) {
      const ssize_t got = read(fd, data + done, info.st_size - done);
      if (got <= 0) break;
      done += got;
    }
    close(fd);
    benchmark::DoNotOptimize(data);
    delete[] data;
    bytes += done;
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadPlain)
    ->Name("ReadWholeFile/PlainRead")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
