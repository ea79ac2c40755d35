#pragma once
// The info lines KorvelX writes while it stops, in the order its parts are stopped, and the
// reading of a log file for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

// The lines of a log file, an info entry as its bare text, any other entry whole. Every line
// must end in "\r\n".
inline std::vector<std::string> LogLines(const std::filesystem::path& log) {
  std::ifstream file(log, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t text = line.find("]\t- Info = ");
    lines.push_back(text == std::string::npos ? line : line.substr(text + 11));
  }
  return lines;
}

// The lines of a log that are among `expected`, in the order the log has them: other
// managers' own lines may stand between the stop lines.
inline std::vector<std::string> LinesAmong(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected) {
  std::vector<std::string> found;
  for (const std::string& line : lines)
    if (std::ranges::find(expected, line) != expected.end()) found.push_back(line);
  return found;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::ranges::find(lines, line) != lines.end();
}
