#include "InfantryModel.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "InfantrySkinLayout.h"

namespace kxres {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDeg = kPi / 180.0f;

using V3 = std::array<float, 3>;

// A rigid transform: rotation matrix and translation.
struct Xf {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  V3 t{0, 0, 0};
  V3 operator()(const V3& p) const {
    V3 r;
    for (int i = 0; i < 3; ++i) r[i] = m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + t[i];
    return r;
  }
  Xf operator*(const Xf& o) const {  // this after o
    Xf r;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
    const V3 ot = (*this)(o.t);
    r.t = ot;
    return r;
  }
};

Xf Move(float x, float y, float z) {
  Xf r;
  r.t = {x, y, z};
  return r;
}
// Rotation about an axis (0 = x: roll, 1 = y: pitch, 2 = z: yaw) by radians.
Xf Turn(int axis, float a) {
  Xf r;
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  r.m[u][u] = std::cos(a), r.m[u][v] = -std::sin(a);
  r.m[v][u] = std::sin(a), r.m[v][v] = std::cos(a);
  return r;
}
// Swinging a limb forward (its lower end moves towards +x) is a negative turn about y.
Xf Swing(float degrees) { return Turn(1, -degrees * kDeg); }

// The joint angles of one key frame, in degrees, and the body's placement.
struct Pose {
  float lift = 0, forward = 0;        // body offset
  float fallPitch = 0, fallRoll = 0;  // whole body turned about the feet
  float lean = 0, twist = 0;          // torso
  float headPitch = 0, headYaw = 0;
  float hip[2] = {0, 0}, knee[2] = {0, 0};
  float shoulder[2] = {35, 35}, elbow[2] = {70, 70};
  float recoil = 0;
};

float Ease(float t) { return t * t * (3 - 2 * t); }

Pose PoseFor(int frame) {
  Pose p;
  auto cycle = [&](int first, int count) { return 2 * kPi * (frame - first) / count; };
  if (frame >= 1 && frame <= 71) {  // fidget: breathing and looking around
    const float a = cycle(1, 71);
    p.lean = 2 * std::sin(2 * a);
    p.headYaw = 30 * std::sin(a);
    p.shoulder[0] = p.shoulder[1] = 35 + 5 * std::sin(2 * a);
  } else if (frame >= 72 && frame <= 91) {  // walk
    const float a = cycle(72, 20);
    p.hip[0] = 25 * std::sin(a), p.hip[1] = -25 * std::sin(a);
    p.knee[0] = 35 * std::max(0.0f, -std::cos(a)), p.knee[1] = 35 * std::max(0.0f, std::cos(a));
    p.lift = std::fabs(std::sin(a));
    p.shoulder[0] = 40 - 8 * std::sin(a), p.shoulder[1] = 40 + 8 * std::sin(a);
  } else if (frame >= 92 && frame <= 99) {  // run
    const float a = cycle(92, 8);
    p.hip[0] = 45 * std::sin(a), p.hip[1] = -45 * std::sin(a);
    p.knee[0] = 80 * std::max(0.0f, -std::cos(a)), p.knee[1] = 80 * std::max(0.0f, std::cos(a));
    p.lean = 14;
    p.lift = 2.5f * std::fabs(std::sin(a));
    p.shoulder[0] = p.shoulder[1] = 55;
  } else if (frame >= 100 && frame <= 119) {  // pains: flinch back, then sideways
    const bool second = frame >= 110;
    const float k = std::sin(kPi * (frame - (second ? 110 : 100)) / 9.0f);
    p.lean = second ? 5 * k : -22 * k;
    p.fallRoll = second ? 12 * k : 0;
    p.twist = second ? 25 * k : 0;
    p.headPitch = -20 * k;
    p.shoulder[0] = p.shoulder[1] = 35 - 30 * k;
    p.elbow[0] = p.elbow[1] = 70 + 40 * k;
  } else if (frame >= 120 && frame <= 124) {  // duck
    const float t = (frame - 120) / 4.0f;
    p.lift = -11 * t;
    p.hip[0] = p.hip[1] = 70 * t;
    p.knee[0] = p.knee[1] = 120 * t;
    p.lean = 25 * t;
  } else if (frame >= 125 && frame <= 144) {  // death 1: falls on the back
    const float t = Ease((frame - 125) / 19.0f);
    p.fallPitch = -88 * t;
    p.knee[0] = p.knee[1] = 50 * std::sin(kPi * t);
    p.shoulder[0] = 35 + 120 * t, p.shoulder[1] = 35 + 90 * t;
    p.elbow[0] = p.elbow[1] = 70 * (1 - t);
    p.headPitch = -30 * t;
  } else if (frame >= 145 && frame <= 169) {  // death 2: pitches forward on the face
    const float t = Ease((frame - 145) / 24.0f);
    p.fallPitch = 88 * t;
    p.hip[0] = p.hip[1] = -10 * t;
    p.shoulder[0] = p.shoulder[1] = 35 + 100 * t;
    p.elbow[0] = p.elbow[1] = 70 * (1 - t);
    p.headPitch = 20 * t;
  } else if (frame >= 170 && frame <= 178) {  // death 3: knees give way, slumps sideways
    const float t = Ease((frame - 170) / 8.0f);
    p.lift = -14 * std::min(1.0f, 2 * t);
    p.hip[0] = p.hip[1] = 80 * std::min(1.0f, 2 * t);
    p.knee[0] = p.knee[1] = 140 * std::min(1.0f, 2 * t);
    p.fallRoll = 85 * std::max(0.0f, 2 * t - 1);
    p.shoulder[0] = p.shoulder[1] = 10;
    p.elbow[0] = p.elbow[1] = 10;
  } else if (frame >= 179 && frame <= 183) {  // crouched aim
    p.lift = -11;
    p.hip[0] = 70, p.hip[1] = 10;
    p.knee[0] = 120, p.knee[1] = 100;
    p.shoulder[0] = p.shoulder[1] = 80;
    p.elbow[0] = p.elbow[1] = 20;
    p.recoil = (frame - 179) % 2 ? 3 : 0;
  } else if (frame >= 184) {  // attacks: aim, fire with recoil; the second steps while firing
    const int first = frame >= 199 ? 199 : 184;
    const int step = frame - first;
    p.shoulder[0] = p.shoulder[1] = 85;
    p.elbow[0] = p.elbow[1] = 15;
    p.recoil = step % 3 == 1 ? 4 : 0;
    p.lean = -p.recoil;
    if (first == 199) {
      const float a = 2 * kPi * step / 8;
      p.hip[0] = 15 * std::sin(a), p.hip[1] = -15 * std::sin(a);
      p.knee[0] = 20 * std::max(0.0f, -std::cos(a)), p.knee[1] = 20 * std::max(0.0f, std::cos(a));
    }
  }
  return p;
}

// Prism geometry: rings of `sides` vertices along -z from the joint, bottom radius r1.
struct Part {
  SkinPart skin;
  int sides;
  float r0, r1, length;  // radius at the joint, radius at the far end, length along -z
  float squash;          // depth (x) relative to width (y)
};

class ModelBuilder {
 public:
  explicit ModelBuilder(Md2Model& model) : mModel(model) {}

  // Adds a part's triangles once (the topology is the same in every frame); returns its index.
  int AddPart(const Part& part) {
    const int base = mVertexCount;
    const SkinRect r = SkinRegion(part.skin);
    const int n = part.sides;
    auto st = [&](float u, float v) {
      mModel.st.push_back({static_cast<int16_t>(r.x0 + u * (r.x1 - r.x0 - 1)),
                           static_cast<int16_t>(r.y0 + v * (r.y1 - r.y0 - 1))});
      return static_cast<uint16_t>(mModel.st.size() - 1);
    };
    const int stBase = static_cast<int>(mModel.st.size());
    for (int k = 0; k <= n; ++k)
      st(static_cast<float>(k) / n, 0.0f), st(static_cast<float>(k) / n, 1.0f);
    const uint16_t capTop = st(0.5f, 0.1f), capBottom = st(0.5f, 0.9f);
    auto tri = [&](int a, int b, int c, uint16_t sa, uint16_t sb, uint16_t sc) {
      // Clockwise seen from outside.
      mModel.triangles.push_back({{static_cast<uint16_t>(base + a), static_cast<uint16_t>(base + c),
                                   static_cast<uint16_t>(base + b)},
                                  {sa, sc, sb}});
    };
    for (int k = 0; k < n; ++k) {
      const int k1 = (k + 1) % n;
      const auto s = [&](int col, int row) {
        return static_cast<uint16_t>(stBase + 2 * col + row);
      };
      // Ring 0 at the joint (vertices 0..n-1), ring 1 at the far end (n..2n-1).
      tri(k, n + k, n + k1, s(k, 0), s(k, 1), s(k + 1, 1));
      tri(k, n + k1, k1, s(k, 0), s(k + 1, 1), s(k + 1, 0));
      tri(2 * n, k, k1, capTop, capTop, capTop);
      tri(2 * n + 1, n + k1, n + k, capBottom, capBottom, capBottom);
    }
    mVertexCount += 2 * n + 2;
    mParts.push_back(part);
    return static_cast<int>(mParts.size()) - 1;
  }

  // The part's vertices placed by a transform, in the order AddPart numbered them.
  static void Place(const Part& part, const Xf& xf, std::vector<V3>& out) {
    const int n = part.sides;
    for (int ring = 0; ring < 2; ++ring)
      for (int k = 0; k < n; ++k) {
        const float a = 2 * kPi * (k + 0.5f) / n;
        const float r = ring ? part.r1 : part.r0;
        out.push_back(
            xf({r * std::cos(a) * part.squash, r * std::sin(a), ring ? -part.length : 0.0f}));
      }
    out.push_back(xf({0, 0, 0}));
    out.push_back(xf({0, 0, -part.length}));
  }

  const std::vector<Part>& Parts() const { return mParts; }

 private:
  Md2Model& mModel;
  std::vector<Part> mParts;
  int mVertexCount = 0;
};

enum PartId {
  kPelvis,
  kTorso,
  kHead,
  kHelmet,
  kUpperArmL,
  kUpperArmR,
  kForearmL,
  kForearmR,
  kThighL,
  kThighR,
  kShinL,
  kShinR,
  kBootL,
  kBootR,
  kGun,
  kMagazine,
  kPartCount
};

std::vector<V3> PoseVertices(const std::vector<Part>& parts, const Pose& p) {
  constexpr float kFeet = -24.0f;
  // The whole body turns about the point between the feet.
  const Xf root = Move(p.forward, 0, kFeet) * Turn(1, p.fallPitch * kDeg) *
                  Turn(0, p.fallRoll * kDeg) * Move(0, 0, -kFeet + p.lift);
  const Xf pelvis = root * Move(0, 0, 6);
  const Xf chest = pelvis * Turn(2, p.twist * kDeg) * Swing(-p.lean) * Move(0, 0, 22);
  Xf xf[kPartCount];
  xf[kPelvis] = pelvis * Move(0, 0, 2);
  xf[kTorso] = chest;
  const Xf neck = chest * Move(0, 0, 1) * Turn(2, p.headYaw * kDeg) * Swing(p.headPitch);
  xf[kHead] = neck * Move(0, 0, 10);
  xf[kHelmet] = neck * Move(0, 0, 12);
  for (int side = 0; side < 2; ++side) {
    const float y = side ? -10.5f : 10.5f;
    const Xf shoulder = chest * Move(0, y, -2) * Swing(p.shoulder[side]);
    xf[kUpperArmL + side] = shoulder;
    const Xf elbow = shoulder * Move(0, 0, -12) * Swing(p.elbow[side]);
    xf[kForearmL + side] = elbow;
    const Xf hip = pelvis * Move(0, side ? -4.5f : 4.5f, 0) * Swing(p.hip[side]);
    xf[kThighL + side] = hip;
    const Xf knee = hip * Move(0, 0, -15) * Swing(-p.knee[side]);
    xf[kShinL + side] = knee;
    xf[kBootL + side] =
        knee * Move(0, 0, -13) * Swing(90 + p.knee[side] - p.hip[side]) * Move(0, 0, 2);
  }
  // The rifle is held level in front of the chest, pointing forward; it kicks back on recoil.
  xf[kGun] = chest * Move(10 - p.recoil, -5, -8) * Swing(90) * Move(0, 0, 6);
  xf[kMagazine] = chest * Move(14 - p.recoil, -5, -9);
  std::vector<V3> out;
  for (int i = 0; i < kPartCount; ++i) ModelBuilder::Place(parts[i], xf[i], out);
  return out;
}

}  // namespace

const AnimationRange* InfantryModel::Ranges(int* count) {
  static const AnimationRange ranges[] = {
      {"stand", 0, 0},      {"fidget", 1, 71},    {"walk", 72, 91},     {"run", 92, 99},
      {"pain1", 100, 109},  {"pain2", 110, 119},  {"duck", 120, 124},   {"death1", 125, 144},
      {"death2", 145, 169}, {"death3", 170, 178}, {"crouch", 179, 183}, {"attak1", 184, 198},
      {"attak2", 199, 206},
  };
  *count = static_cast<int>(sizeof(ranges) / sizeof(ranges[0]));
  return ranges;
}

Md2Model InfantryModel::Build(const std::string& skinName) {
  Md2Model model;
  model.skins = {skinName};
  model.skinWidth = kSkinWidth;
  model.skinHeight = kSkinHeight;
  ModelBuilder builder(model);
  const Part parts[kPartCount] = {
      {SkinPart::Legs, 8, 8.5f, 8.0f, 8, 0.65f},      // pelvis
      {SkinPart::Torso, 8, 9.5f, 8.0f, 20, 0.6f},     // torso, from the shoulders down
      {SkinPart::Head, 8, 4.2f, 4.5f, 8, 1.0f},       // head
      {SkinPart::Helmet, 8, 4.0f, 5.6f, 3.5f, 1.1f},  // helmet
      {SkinPart::Arms, 8, 3.0f, 2.6f, 12, 1.0f},     {SkinPart::Arms, 8, 3.0f, 2.6f, 12, 1.0f},
      {SkinPart::Arms, 8, 2.6f, 2.2f, 11, 1.0f},     {SkinPart::Arms, 8, 2.6f, 2.2f, 11, 1.0f},
      {SkinPart::Legs, 8, 4.0f, 3.2f, 15, 1.0f},     {SkinPart::Legs, 8, 4.0f, 3.2f, 15, 1.0f},
      {SkinPart::Legs, 8, 3.2f, 2.6f, 13, 1.0f},     {SkinPart::Legs, 8, 3.2f, 2.6f, 13, 1.0f},
      {SkinPart::Boots, 6, 3.0f, 3.0f, 8, 0.8f},     {SkinPart::Boots, 6, 3.0f, 3.0f, 8, 0.8f},
      {SkinPart::Gun, 6, 2.0f, 1.4f, 20, 1.3f},  // rifle barrel and body
      {SkinPart::Gun, 4, 1.6f, 1.6f, 6, 0.6f},   // magazine
  };
  for (const Part& part : parts) builder.AddPart(part);

  int rangeCount = 0;
  const AnimationRange* ranges = Ranges(&rangeCount);
  for (int frame = 0; frame < kFrameCount; ++frame) {
    const AnimationRange* range = ranges;
    for (int r = 0; r < rangeCount; ++r)
      if (frame >= ranges[r].first && frame <= ranges[r].last) range = &ranges[r];
    char name[16];
    std::snprintf(name, sizeof(name), "%s%02d", range->name, frame - range->first + 1);
    model.frames.push_back({name, PoseVertices(builder.Parts(), PoseFor(frame))});
  }
  return model;
}

}  // namespace kxres
