// The screen overlay: textured quads given in pixels from the top-left corner, tinted.
#ifdef VERTEX_SHADER
layout(location = 0) in vec2 inPosition;
layout(location = 1) in vec2 inTexCoord;
uniform vec2 uScreenSize;
out vec2 texCoord;
void main() {
  texCoord = inTexCoord;
  gl_Position = vec4(inPosition.x / uScreenSize.x * 2.0 - 1.0,
                     1.0 - inPosition.y / uScreenSize.y * 2.0, 0.0, 1.0);
}
#endif
#ifdef FRAGMENT_SHADER
in vec2 texCoord;
uniform sampler2D uTexture;
uniform vec4 uColor;
out vec4 outColor;
void main() { outColor = texture(uTexture, texCoord) * uColor; }
#endif
