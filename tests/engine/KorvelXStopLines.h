#pragma once
// The info lines KorvelX writes while it stops, in the order its parts are stopped.
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
