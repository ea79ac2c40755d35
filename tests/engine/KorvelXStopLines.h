#pragma once
// The info lines KorvelX writes while it stops, in the order its parts are stopped.
#include <algorithm>
#include <string>
#include <vector>

// When the engine owns the job threads, their two lines ("Destorying ThreadManager",
// "ThreadManager destroyed") come just before the last line.
inline const std::vector<std::string> kKorvelXStopLines = {"KorvelX Stopping",
                                                           "CollisionHandler Stopped",
                                                           "RenderDevice Stopped",
                                                           "InputHandler Stopped",
                                                           "RenderableManager Stopped",
                                                           "EnviromentHandler Stopped",
                                                           "Object3DManager Stopped",
                                                           "CollisionDataStructureManager Stopped",
                                                           "AudioManager Stopped",
                                                           "AudioDevice Stopped",
                                                           "KorvelX Stopped"};

// The lines of a log that are among `expected`, in the order the log has them: other
// managers' own lines may stand between the stop lines.
inline std::vector<std::string> LinesAmong(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (std::ranges::find(expected, line) != expected.end()) found.push_back(line);
  return found;
}
