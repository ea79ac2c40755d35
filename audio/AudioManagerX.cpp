#include "audio/AudioManagerX.h"

#include "audio/AudioDirectXX.h"
#include "engine/ReportHooksX.h"
#include "streams/FileSystemX.h"

namespace {

StringX WithBackslash(const StringX& folder) {
  if (folder.Empty() || folder[folder.Size() - 1] == '\\') return folder;
  return folder + "\\";
}

}  // namespace

AudioManagerX::AudioManagerX(const StringX& baseFolder) : mBaseFolder(WithBackslash(baseFolder)) {
  mFolders.Add(WithBackslash("Resources\\QuakeBSP\\Sound\\"));
  mFolders.Add(WithBackslash("Resources\\Sound\\"));
}

CSound* AudioManagerX::GetSound(const StringX& name) {
  if (!mAudioDevice) return nullptr;
  const StringX path = FindSoundFile(name);
  if (path.Empty()) {
    LogMessage((StringX("Sound file not found: ") + name).GetCharArray());
    return nullptr;
  }
  return mAudioDevice->OpenSound(path);
}

StringX AudioManagerX::FindSoundFile(const StringX& name) const {
  for (const StringX& folder : mFolders) {
    const StringX path = folder + name;
    if (CanOpen(path)) return path;
  }
  return CanOpen(name) ? name : StringX();
}

uint32_t AudioManagerX::GetNumberOfFolders() const { return mFolders.Size(); }

const StringX& AudioManagerX::GetFolder(uint32_t index) const { return mFolders[index]; }

bool AudioManagerX::CanOpen(const StringX& path) {
  if (path.Empty() || FileSystemX::IsDirectory(path)) return false;
  FileSystemX::FileHandleX file =
      FileSystemX::CreateFile(path, FileSystemX::FILE_READ | FileSystemX::FILE_OPENEXISTING, false);
  if (!file) return false;
  FileSystemX::CloseFile(file);
  return true;
}
