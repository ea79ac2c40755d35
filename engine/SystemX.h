#pragma once
// SystemX: process-wide system services: the working-directory fix-up that makes the Resources
// reachable, absolute resource paths, the processor count, sleeping and thread ids.
#include <cstdint>

class StringX;

class SystemX {
 public:
  // The folder the engine reads its data from.
  static constexpr const char* RESOURCE_FOLDER = "Resources";

  // When the working directory lacks Resources\ and the program was started inside a build
  // folder ("debug", "korvelx" or "release", any case) or the parent holds Resources\, moves the
  // working directory one level up. Then records the working directory, in engine form with a
  // trailing backslash, as the path root.
  static void FixCurrentDirectory();
  // The path root (empty before FixCurrentDirectory), e.g. "\home\me\game\".
  static const char* GetPathRoot() { return sPathRoot; }
  // The path root followed by the resource name without one leading '\' or '/'; every '/'
  // becomes '\'.
  static StringX GetFilenameFromResource(const StringX& resourceName);

  // Processor count, read once.
  static uint32_t GetHardwareThreadCount();
  // Not available on this platform: reported as unfinished, returns 0.
  static uint32_t GetProcessorClockFrequence();

  static void Sleep(uint32_t milliseconds);
  // Kernel id of the calling thread (the id written in log entries).
  static uint32_t GetCurrentThreadId();
  // The engine never breaks into a debugger: runs must behave the same with and without one.
  static bool IsDebuggerPresent() { return false; }

 private:
  static char sPathRoot[256];
};
