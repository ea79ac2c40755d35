// Cube mapped: position through the world x view x projection, the cube texture looked up by
// the vertex's cube coordinate, times the brightness.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec3 inCubeCoord;
uniform mat4 sWorldViewProjection;
out vec3 cubeCoord;
void main() {
  cubeCoord = inCubeCoord;
  gl_Position = sWorldViewProjection * vec4(inPosition, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec3 cubeCoord;
uniform samplerCube sDiffuse;
uniform float sBrightness;
out vec4 outColor;
void main() {
  vec4 diffuse = texture(sDiffuse, cubeCoord);
  outColor = vec4(diffuse.rgb * sBrightness, diffuse.a);
}
#endif
