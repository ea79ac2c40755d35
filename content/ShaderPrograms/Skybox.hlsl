// The sky box: a cube around the camera, coloured from the cube texture by direction.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inCubeCoord;
uniform mat4 uWorldViewProjection;
out vec3 cubeCoord;
void main() {
  cubeCoord = inCubeCoord;
  gl_Position = uWorldViewProjection * vec4(inPosition, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec3 cubeCoord;
uniform samplerCube uSky;
out vec4 outColor;
void main() { outColor = vec4(texture(uSky, cubeCoord).rgb, 1.0); }
#endif
