// Vertex colours: position through the world x view x projection, the colour of the vertex
// times the brightness.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColor;
uniform mat4 sWorldViewProjection;
out vec4 color;
void main() {
  color = inColor;
  gl_Position = sWorldViewProjection * vec4(inPosition, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec4 color;
uniform float sBrightness;
out vec4 outColor;
void main() { outColor = vec4(color.rgb * sBrightness, color.a); }
#endif
