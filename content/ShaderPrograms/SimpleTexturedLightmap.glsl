// Lightmapped walls: the diffuse texture modulated by the lightmap times four (a lightmap of
// 0.25 grey leaves the wall's colour as it is), times the brightness. The xy of the fourth
// attribute are the texture coordinates, zw the lightmap coordinates; a vertex whose lightmap
// coordinates lie far below zero has no lightmap and is drawn as under a 0.25 grey one.
#ifdef VERTEX_SHADER
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inTexCoords;
uniform mat4 sWorldViewProjection;
out vec4 texCoords;
void main() {
  texCoords = inTexCoords;
  gl_Position = sWorldViewProjection * vec4(inPosition, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec4 texCoords;
uniform sampler2D sDiffuse;
uniform sampler2D sLightmap;
uniform float sBrightness;
uniform bool sAlphaTest;
out vec4 outColor;
void main() {
  vec4 diffuse = texture(sDiffuse, texCoords.xy);
  if (sAlphaTest && diffuse.a < 16.0 / 255.0) discard;
  vec3 light = texCoords.z < -40.0 ? vec3(0.25) : texture(sLightmap, texCoords.zw).rgb;
  vec3 lit = clamp(diffuse.rgb * light * 4.0, 0.0, 1.0);
  outColor = vec4(lit * sBrightness, diffuse.a);
}
#endif
