#include "audio/CSoundManager.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <vector>

#include "audio/CSound.h"
#include "engine/ReportHooksX.h"

// Outside this layer's .cpp files OpenAL buffer and source names are held as uint32_t.
static_assert(sizeof(ALuint) == sizeof(uint32_t), "OpenAL names must fit a uint32_t");

struct CSoundManager::OpenALX {
  // Makes a context on `device` current; the device is closed again when that fails.
  static std::unique_ptr<OpenALX> CreateContext(ALCdevice* device, const ALCint* attributes,
                                                bool loopback);

  OpenALX(ALCdevice* device, ALCcontext* context, bool loopback)
      : mDevice(device), mContext(context), mLoopback(loopback) {}
  // Leaves the context, destroys it and closes the device.
  ~OpenALX();
  OpenALX(const OpenALX&) = delete;
  OpenALX& operator=(const OpenALX&) = delete;

  // True when changes can be held back and handed to the mix together.
  bool CanDeferUpdates() const { return mDeferUpdates && mProcessUpdates; }

  ALCdevice* mDevice;
  ALCcontext* mContext;
  bool mLoopback;
  LPALDEFERUPDATESSOFT mDeferUpdates = nullptr;
  LPALPROCESSUPDATESSOFT mProcessUpdates = nullptr;
};

namespace {

// The primary buffer's format: the rate the mix runs at on a real device.
constexpr ALCint sPrimaryFrequency = 22050;

ALenum GetALFormat(const WaveFormatX& format) {
  if (format.mChannels == 1) return format.mBitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return format.mBitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// Copies the wave's sample data into `buffer`.
bool FillBufferWithSound(ALuint buffer, CWaveFile& wave) {
  const WaveFormatX& format = *wave.GetFormat();
  // Whole frames only: a cut-off last frame is completed with silence.
  const uint32_t frames = (wave.GetSize() + format.mBlockAlign - 1u) / format.mBlockAlign;
  std::vector<uint8_t> samples(static_cast<size_t>(frames) * format.mBlockAlign,
                               format.mBitsPerSample == 8 ? 128 : 0);
  wave.ResetFile();
  wave.Read(samples.data(), static_cast<uint32_t>(samples.size()));
  alBufferData(buffer, GetALFormat(format), samples.data(), static_cast<ALsizei>(samples.size()),
               static_cast<ALsizei>(format.mSamplesPerSec));
  return alGetError() == AL_NO_ERROR;
}

}  // namespace

std::unique_ptr<CSoundManager::OpenALX> CSoundManager::OpenALX::CreateContext(
    ALCdevice* device, const ALCint* attributes, bool loopback) {
  ALCcontext* context = alcCreateContext(device, attributes);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    KX_ASSERT_MSG(false, "CSoundManager::CreateContext", "false");
    return nullptr;
  }
  auto openAL = std::make_unique<OpenALX>(device, context, loopback);
  // The distance model of DirectSound 3D: full volume up to the minimum distance, then
  // min / (min + rolloff * (d - min)), held from the maximum distance on.
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
    openAL->mDeferUpdates =
        reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
    openAL->mProcessUpdates =
        reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
  }
  return openAL;
}

CSoundManager::OpenALX::~OpenALX() {
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(mContext);
  alcCloseDevice(mDevice);
}

CSoundManager::CSoundManager() = default;

CSoundManager::~CSoundManager() { Release(); }

bool CSoundManager::Initialize() {
  Release();
  // No device is a normal case (a machine without a sound card): the caller logs it.
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return false;
  const ALCint attributes[] = {ALC_FREQUENCY, sPrimaryFrequency, ALC_HRTF_SOFT, ALC_FALSE, 0};
  mOpenAL = OpenALX::CreateContext(device, attributes, false);
  return IsInitialized();
}

bool CSoundManager::InitializeLoopback(uint32_t frequency) {
  Release();
  auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
      alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  ALCdevice* device = openLoopback ? openLoopback(nullptr) : nullptr;
  if (!device) {
    KX_ASSERT_MSG(false, "CSoundManager::InitializeLoopback", "false");
    return false;
  }
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                               ALC_STEREO_SOFT,
                               ALC_FORMAT_TYPE_SOFT,
                               ALC_FLOAT_SOFT,
                               ALC_FREQUENCY,
                               static_cast<ALCint>(frequency),
                               ALC_HRTF_SOFT,
                               ALC_FALSE,
                               0};
  mOpenAL = OpenALX::CreateContext(device, attributes, true);
  return IsInitialized();
}

void CSoundManager::Release() {
  // Sounds still alive keep their sources; the buffers and context go with the device.
  for (auto& node : mBuffers) alDeleteBuffers(1, &node.GetValue()->mBuffer);
  mBuffers.ClearAndDelete();
  mOpenAL.reset();
}

void CSoundManager::BeginUpdates() {
  if (mOpenAL && mOpenAL->CanDeferUpdates()) mOpenAL->mDeferUpdates();
}

void CSoundManager::EndUpdates() {
  if (mOpenAL && mOpenAL->CanDeferUpdates()) mOpenAL->mProcessUpdates();
}

bool CSoundManager::RenderLoopback(float* buffer, uint32_t frames) {
  if (!mOpenAL || !mOpenAL->mLoopback || !buffer) return false;
  auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
      alcGetProcAddress(mOpenAL->mDevice, "alcRenderSamplesSOFT"));
  if (!render) return false;
  render(mOpenAL->mDevice, buffer, static_cast<ALCsizei>(frames));
  return true;
}

bool CSoundManager::SetListenerParameters(const ListenerParams3DX& params) {
  if (!mOpenAL) return false;
  ApplyListenerParams(params);
  mRolloffFactor = params.mRolloffFactor;
  return true;
}

bool CSoundManager::Create(CSound** sound, const StringX& fileName, uint32_t creationFlags,
                           uint32_t numberOfBuffers) {
  *sound = nullptr;
  if (!mOpenAL || numberOfBuffers == 0) return false;
  SoundBufferX* data = AcquireBuffer(fileName);
  if (!data) return false;
  std::vector<ALuint> sources(numberOfBuffers, 0);
  alGetError();
  alGenSources(static_cast<ALsizei>(numberOfBuffers), sources.data());
  if (alGetError() != AL_NO_ERROR) {
    LogMessage((StringX("No free sound voice for ") + fileName).GetCharArray());
    KX_ASSERT_MSG(false, "CSoundManager::Create", "false");
    ReleaseBuffer(data);
    return false;
  }
  // The listener's roll-off holds for every 3D sound, also those never placed.
  for (ALuint source : sources) {
    alSourcei(source, AL_BUFFER, static_cast<ALint>(data->mBuffer));
    alSourcef(source, AL_ROLLOFF_FACTOR, mRolloffFactor);
  }
  *sound = new CSound(this, data, sources.data(), numberOfBuffers, creationFlags);
  return true;
}

SoundBufferX* CSoundManager::AcquireBuffer(const StringX& fileName) {
  if (SoundBufferX** found = mBuffers.FindValue(fileName)) {
    ++(*found)->mReferences;
    return *found;
  }
  CWaveFile wave;
  if (!wave.Open(fileName)) {
    KX_ASSERT_MSG(false, "CSoundManager::Create", "false");
    return nullptr;
  }
  ALuint buffer = 0;
  alGetError();
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR || !FillBufferWithSound(buffer, wave)) {
    if (buffer) alDeleteBuffers(1, &buffer);
    LogMessage((StringX("Sound data could not be loaded: ") + fileName).GetCharArray());
    KX_ASSERT_MSG(false, "CSoundManager::Create", "false");
    return nullptr;
  }
  auto* data = new SoundBufferX;
  data->mBuffer = buffer;
  data->mFormat = *wave.GetFormat();
  data->mSize = wave.GetSize();
  data->mReferences = 1;
  data->mFileName = fileName;
  mBuffers.Add(data, fileName);
  return data;
}

void CSoundManager::ReleaseBuffer(SoundBufferX* buffer) {
  // Found by address: data released with an earlier device is not touched again.
  for (auto& node : mBuffers) {
    if (node.GetValue() != buffer) continue;
    if (--buffer->mReferences == 0) {
      mBuffers.Remove(buffer->mFileName);
      alDeleteBuffers(1, &buffer->mBuffer);
      delete buffer;
    }
    return;
  }
}
