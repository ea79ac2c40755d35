#pragma once
// The overlay's resources (fonts, crosshair, sky faces and the shader programs) copied into a
// workspace from the build's generated Resources tree; false when there is none.
#include "WorkspaceX.h"

inline bool CopyOverlayResources(WorkspaceX& workspace) {
  return workspace.CopyGenerated(
      {"Textures/Fonts/047.png", "Textures/Fonts/254.png", "Textures/Crosshairs/crosshairs1.png",
       "Textures/env/wnightrt.png", "Textures/env/wnightlf.png", "Textures/env/wnightup.png",
       "Textures/env/wnightdn.png", "Textures/env/wnightft.png", "Textures/env/wnightbk.png",
       "ShaderPrograms/Overlay2D.hlsl", "ShaderPrograms/Skybox.hlsl",
       "ShaderPrograms/DebugLines.hlsl"});
}
