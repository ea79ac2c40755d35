// Key-framed models: the position blended from key frame A to key frame B by sAnimTime (0 is A,
// 1 is B), through the world x view x projection; the skin texture times the brightness.
// Texels below the alpha reference are dropped while the alpha test is on.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPositionA;
layout(location = 1) in vec3 inPositionB;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 sWorldViewProjection;
uniform float sAnimTime;
out vec2 texCoord;
void main() {
  texCoord = inTexCoord;
  vec3 position = mix(inPositionA, inPositionB, sAnimTime);
  gl_Position = sWorldViewProjection * vec4(position, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec2 texCoord;
uniform sampler2D sDiffuse;
uniform float sBrightness;
uniform bool sAlphaTest;
out vec4 outColor;
void main() {
  vec4 diffuse = texture(sDiffuse, texCoord);
  if (sAlphaTest && diffuse.a < 16.0 / 255.0) discard;
  outColor = vec4(diffuse.rgb * sBrightness, diffuse.a);
}
#endif
