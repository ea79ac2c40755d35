// Debug drawings: lines in one colour.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
uniform mat4 uWorldViewProjection;
void main() { gl_Position = uWorldViewProjection * vec4(inPosition, 1.0); }
#endif
#ifdef FRAGMENT_SHADER
uniform vec4 uColor;
out vec4 outColor;
void main() { outColor = uColor; }
#endif
