// One texture: position through the world x view x projection, the diffuse texture times the
// brightness. Texels below the alpha reference are dropped while the alpha test is on.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;
uniform mat4 sWorldViewProjection;
out vec2 texCoord;
void main() {
  texCoord = inTexCoord;
  gl_Position = sWorldViewProjection * vec4(inPosition, 1.0);
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
