#include "geometry/SimplifyMeshX.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "engine/HighTimerX.h"
#include "engine/ReportHooksX.h"
#include "engine/ThreadManagerX.h"
#include "geometry/PolygonFunctionsX.h"

namespace {
// Only one simplification runs at a time: the job functions reach the groups through it.
std::mutex sSimplifyMutex;

// Exact key of a position (after merging, equal positions have equal bits; -0 counts as 0).
uint64_t PositionBits(float v) {
  if (v == 0.f) v = 0.f;
  uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof(bits));
  return bits;
}
struct PositionKeyX {
  uint64_t a = 0;
  uint32_t b = 0;
  bool operator==(const PositionKeyX& o) const { return a == o.a && b == o.b; }
};
struct PositionHashX {
  size_t operator()(const PositionKeyX& k) const {
    return size_t(k.a * 0x9E3779B97F4A7C15ull ^ (uint64_t(k.b) * 0xC2B2AE3D27D4EB4Full));
  }
};
PositionKeyX KeyOf(const Vector3fX& p) {
  return {PositionBits(p.x) << 32 | PositionBits(p.y), uint32_t(PositionBits(p.z))};
}

Vector3dX D(const Vector3fX& v) { return Vector3dX(v); }

// Turn at b of the walk a -> b -> c measured along the normal, scaled by the edge lengths.
double Turn(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c, const Vector3dX& normal,
            double& outScale) {
  const Vector3dX e0 = D(b) - D(a);
  const Vector3dX e1 = D(c) - D(b);
  outScale = e0.Length() * e1.Length();
  return Dot(Cross(e0, e1), normal);
}

constexpr double kFlatTolerance = 1e-6;  // |sin| of a turn that counts as straight

bool IsStraight(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c,
                const Vector3dX& normal) {
  double scale = 0.0;
  const double turn = Turn(a, b, c, normal, scale);
  if (scale <= 0.0) return false;
  return std::fabs(turn) <= kFlatTolerance * scale && Dot(D(b) - D(a), D(c) - D(b)) > 0.0;
}

double LoopArea(const std::vector<Vector3fX>& loop, const Vector3dX& normal) {
  Vector3dX sum;
  for (size_t i = 2; i < loop.size(); ++i) {
    sum = sum + Cross(D(loop[i - 1]) - D(loop[0]), D(loop[i]) - D(loop[0]));
  }
  return Dot(sum, normal) * 0.5;
}

// Convex (straight corners allowed), counter-clockwise around the normal, without spikes.
bool IsConvexLoop(const std::vector<Vector3fX>& loop, const Vector3dX& normal) {
  const size_t n = loop.size();
  if (n < 3) return false;
  for (size_t i = 0; i < n; ++i) {
    const Vector3fX& a = loop[(i + n - 1) % n];
    const Vector3fX& b = loop[i];
    const Vector3fX& c = loop[(i + 1) % n];
    double scale = 0.0;
    const double turn = Turn(a, b, c, normal, scale);
    if (scale <= 0.0) return false;
    if (turn < -kFlatTolerance * scale) return false;
    if (turn <= kFlatTolerance * scale && Dot(D(b) - D(a), D(c) - D(b)) <= 0.0) return false;
  }
  return true;
}

std::vector<Vector3fX> LoopPositions(const SimplifyMeshX::OnPlanePolys& group,
                                     const std::vector<uint32_t>& ids) {
  std::vector<Vector3fX> loop;
  loop.reserve(ids.size());
  for (uint32_t id : ids) loop.push_back(group.mPositions[id]);
  return loop;
}

uint64_t EdgeKey(uint32_t a, uint32_t b) { return uint64_t(a) << 32 | b; }

// Removes repeated neighbours and spikes (x, y, x) from a loop of ids.
void CleanLoop(std::vector<uint32_t>& ids) {
  bool changed = true;
  while (changed && ids.size() >= 3) {
    changed = false;
    const size_t n = ids.size();
    for (size_t i = 0; i < n; ++i) {
      const uint32_t prev = ids[(i + n - 1) % n];
      const uint32_t next = ids[(i + 1) % n];
      if (ids[i] == next) {
        ids.erase(ids.begin() + long(i));
        changed = true;
        break;
      }
      if (prev == next) {
        // x, y, x: drop y and the second x.
        const size_t second = (i + 1) % n;
        if (second > i) {
          ids.erase(ids.begin() + long(second));
          ids.erase(ids.begin() + long(i));
        } else {
          ids.erase(ids.begin() + long(i));
          ids.erase(ids.begin() + long(second));
        }
        changed = true;
        break;
      }
    }
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Keys

bool SimplifyMeshX::PlaneKey::operator==(const PlaneKey& other) const {
  return mFlags == other.mFlags && Equal(mPlane.d, other.mPlane.d, 0.1f) &&
         Equal(mPlane.normal.x, other.mPlane.normal.x, 0.01f) &&
         Equal(mPlane.normal.y, other.mPlane.normal.y, 0.01f) &&
         Equal(mPlane.normal.z, other.mPlane.normal.z, 0.01f);
}

bool SimplifyMeshX::PlaneKey::operator<(const PlaneKey& other) const {
  if (mFlags != other.mFlags) return mFlags < other.mFlags;
  const float mine[4] = {mPlane.d, mPlane.normal.x, mPlane.normal.y, mPlane.normal.z};
  const float theirs[4] = {other.mPlane.d, other.mPlane.normal.x, other.mPlane.normal.y,
                           other.mPlane.normal.z};
  for (int i = 0; i < 4; ++i) {
    if (mine[i] - theirs[i] < -0.01f) return true;
    if (mine[i] - theirs[i] > 0.01f) return false;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Pipeline

SimplifyMeshX::SimplifyMeshX(const MeshX& mesh, ThreadManagerX* jobs) : mMesh(mesh), mJobs(jobs) {}

SimplifyMeshX::~SimplifyMeshX() { mOnPlanePolys.ClearAndDelete(); }

void SimplifyMeshX::RemoveInvalidPolygons(const char* reason) {
  uint32_t removed = 0;
  ArrayX<PolygonX> kept;
  kept.IncreaseSize(mWorkingPolygons.Size());
  for (const PolygonX& polygon : mWorkingPolygons) {
    if (polygon.IsAPolygon()) {
      kept.Add(polygon);
    } else {
      ++removed;
    }
  }
  mWorkingPolygons = std::move(kept);
  if (removed) LogMessage(StringX(reason) + removed + " polygons");
}

bool SimplifyMeshX::Simplify() {
  std::lock_guard<std::mutex> lock(sSimplifyMutex);
  LogMessage("Simplifying mesh");
  HighTimerX timer;
  timer.Reset();

  mMesh.CreatePolygonList(true);
  mOnPlanePolys.ClearAndDelete();
  mConvexPolygons.Clear();
  mResult = MeshX();
  mWorkingPolygons.Clear();
  // Only triangles enter the pipeline; larger polygons are fanned first.
  for (const PolygonX& polygon : mMesh.mPolygonList) {
    if (polygon.vertexList.Size() == 3) {
      mWorkingPolygons.Add(polygon);
    } else if (polygon.vertexList.Size() > 3) {
      ArrayX<PolygonX> fan;
      polygon.GetPolygonAsTrianglePolygons(fan);
      for (const PolygonX& triangle : fan) mWorkingPolygons.Add(triangle);
    }
  }
  mInitialPolygonCount = mWorkingPolygons.Size();
  RemoveInvalidPolygons("Simplify mesh has removed ");
  if (mWorkingPolygons.Empty()) {
    LogMessage("no polys");
    return false;
  }

  MergeEqualVerts();
  // Triangles that collapsed when their corners were merged carry no surface.
  RemoveInvalidPolygons("Simplify mesh has removed collapsed ");
  SortPolysByPlane();
  RunStage(&SimplifyMeshX::RemoveEqualPolygons);
  RunStage(&SimplifyMeshX::FixOverlappingPolygons);
  RunStage(&SimplifyMeshX::RemoveTJunctions);
  RunStage(&SimplifyMeshX::MergeConvexPolygons);
  RunStage(&SimplifyMeshX::RemoveLineVertices);
  // Dropping line vertices leaves neighbours with whole shared edges: merge once more.
  RunStage(&SimplifyMeshX::MergeConvexPolygons);
  RunStage(&SimplifyMeshX::RemoveLineVertices);
  CreateResult();

  LogMessage(StringX("Simplified mesh down from ") + mInitialPolygonCount + " to " +
             (mResult.mIndexList.Size() / 3) + " polygons!");
  LogMessage(StringX("Simplifying mesh took :") + timer.GetElapsedTimef());
  return !mResult.mIndexList.Empty();
}

void SimplifyMeshX::MergeEqualVerts() {
  // Positions are hashed into cells of twice the tolerance; the first position seen wins and
  // later ones within the tolerance snap to it, in list order.
  const double cell = 2.0 * sVertexTolerance;
  struct CellKeyHash {
    size_t operator()(const std::array<int64_t, 3>& k) const {
      return size_t(k[0] * 73856093ll ^ k[1] * 19349663ll ^ k[2] * 83492791ll);
    }
  };
  std::unordered_map<std::array<int64_t, 3>, std::vector<Vector3fX>, CellKeyHash> cells;
  uint32_t total = 0;
  uint32_t merged = 0;
  uint32_t unique = 0;
  for (PolygonX& polygon : mWorkingPolygons) {
    for (VertexX& vertex : polygon.vertexList) {
      ++total;
      const Vector3fX& p = vertex.position;
      const std::array<int64_t, 3> home = {int64_t(std::floor(p.x / cell)),
                                           int64_t(std::floor(p.y / cell)),
                                           int64_t(std::floor(p.z / cell))};
      const Vector3fX* found = nullptr;
      for (int64_t dx = -1; dx <= 1 && !found; ++dx) {
        for (int64_t dy = -1; dy <= 1 && !found; ++dy) {
          for (int64_t dz = -1; dz <= 1 && !found; ++dz) {
            auto ite = cells.find({home[0] + dx, home[1] + dy, home[2] + dz});
            if (ite == cells.end()) continue;
            for (const Vector3fX& q : ite->second) {
              if (Equal(q, p, sVertexTolerance)) {
                found = &q;
                break;
              }
            }
          }
        }
      }
      if (found) {
        if (!(found->x == p.x && found->y == p.y && found->z == p.z)) ++merged;
        vertex.position = *found;
      } else {
        cells[home].push_back(p);
        ++unique;
      }
    }
  }
  LogMessage(StringX("Total unique vertices ") + unique + " Merged " + merged +
             " vertices out of " + total);
}

void SimplifyMeshX::SortPolysByPlane() {
  mOnPlanePolys.ClearAndDelete();
  for (PolygonX& polygon : mWorkingPolygons) {
    KX_ASSERT(polygon.vertexList.Size() == 3, "SimplifyMeshX::SortPolysByPlane");
    const bool planeMade = polygon.CreatePlaneSafe();
    KX_ASSERT(planeMade, "SimplifyMeshX::SortPolysByPlane");
    if (!planeMade) continue;
    PlaneKey key{polygon.GetPlane(), polygon.surfaceFlags & sGroupFlagMask};
    OnPlanePolys** found = mOnPlanePolys.FindValue(key);
    if (!found) {
      OnPlanePolys* group = new OnPlanePolys();
      group->mPlane = polygon.GetPlane();
      group->mFlags = key.mFlags;
      mOnPlanePolys.Add(group, key);
      found = mOnPlanePolys.FindValue(key);
      KX_ASSERT(found, "SimplifyMeshX::SortPolysByPlane");
      if (!found) {
        delete group;
        continue;
      }
    }
    (*found)->mInput.Add(polygon);
  }
  LogMessage(StringX("Found ") + mOnPlanePolys.Size() + " planes in mesh");
}

namespace {
uint32_t StageJob(void* data) {
  auto* work =
      static_cast<std::pair<SimplifyMeshX::OnPlanePolys*, void (*)(SimplifyMeshX::OnPlanePolys&)>*>(
          data);
  work->second(*work->first);
  return 0;
}
}  // namespace

void SimplifyMeshX::RunStage(StageFunction stage) {
  // One job per group, in the tree's order; every job touches only its own group.
  std::vector<std::pair<OnPlanePolys*, StageFunction>> work;
  work.reserve(mOnPlanePolys.Size());
  for (auto ite = mOnPlanePolys.begin(); ite != mOnPlanePolys.end(); ++ite) {
    work.emplace_back((*ite).GetValue(), stage);
  }
  if (work.empty()) return;
  std::vector<void*> datas(work.size());
  for (size_t i = 0; i < work.size(); ++i) datas[i] = &work[i];
  if (!mJobs || !mJobs->RunJobs(&StageJob, datas.data(), uint32_t(datas.size()))) {
    for (void* data : datas) StageJob(data);
  }
}

// ---------------------------------------------------------------------------------------------
// Group stages

void SimplifyMeshX::RemoveEqualPolygons(OnPlanePolys& group) {
  // A later triangle with the same corners as an earlier one (in any order and winding) is
  // dropped; positions are exact after merging.
  std::unordered_map<PositionKeyX, uint32_t, PositionHashX> ids;
  std::unordered_map<PositionKeyX, uint32_t, PositionHashX> seenTriangles;
  ArrayX<PolygonX> kept;
  for (const PolygonX& polygon : group.mInput) {
    std::array<uint32_t, 3> sorted = {0, 0, 0};
    for (uint32_t i = 0; i < 3 && i < polygon.vertexList.Size(); ++i) {
      sorted[i] = ids.try_emplace(KeyOf(polygon.vertexList[i].position), uint32_t(ids.size()))
                      .first->second;
    }
    std::sort(sorted.begin(), sorted.end());
    const PositionKeyX triangleKey{uint64_t(sorted[0]) << 32 | sorted[1], sorted[2]};
    if (!seenTriangles.try_emplace(triangleKey, 0).second) {
      ++group.mEqualRemoved;
      continue;
    }
    kept.Add(polygon);
  }
  group.mInput = std::move(kept);
  if (group.mEqualRemoved) {
    LogMessage(StringX("Removed ") + group.mEqualRemoved + " equal polygon(s)");
  }
}

void SimplifyMeshX::FixOverlappingPolygons(OnPlanePolys& group) {
  // Pairs whose boxes (grown by 0.1) meet are visited in list order; a polygon inside the
  // other is dropped, two that overlap become the first and the pieces of the second outside
  // it. After a change the scan starts again; it ends after a pass without change (or after
  // a bounded number of changes on pathological input).
  ArrayX<PolygonX>& polygons = group.mInput;
  const uint32_t limit = 4 * polygons.Size() + 16;
  std::vector<BoundingAxisAllignedBoxX> boxes;
  auto boxOf = [](const PolygonX& polygon) {
    BoundingAxisAllignedBoxX box;
    for (const VertexX& v : polygon.vertexList) box.Grow(v.position);
    box.Enlarge(0.1f);
    return box;
  };
  for (const PolygonX& polygon : polygons) boxes.push_back(boxOf(polygon));
  bool changed = true;
  while (changed && group.mOverlapsFixed < limit) {
    changed = false;
    for (uint32_t i = 0; i < polygons.Size() && !changed; ++i) {
      for (uint32_t j = i + 1; j < polygons.Size() && !changed; ++j) {
        if (!boxes[i].Intersects(boxes[j])) continue;
        ArrayX<PolygonX> pieces;
        if (!PolygonFunctions::FixOverlappingPolygons(polygons[i], polygons[j], pieces)) continue;
        // The pieces replace the pair, in place of the first of them.
        ArrayX<PolygonX> next;
        for (uint32_t k = 0; k < polygons.Size(); ++k) {
          if (k == j) continue;
          if (k != i) {
            next.Add(polygons[k]);
            continue;
          }
          for (PolygonX& piece : pieces) {
            if (!piece.IsAPolygon()) continue;
            piece.surfaceFlags = polygons[i].surfaceFlags;
            next.Add(piece);
          }
        }
        polygons = std::move(next);
        boxes.clear();
        for (const PolygonX& polygon : polygons) boxes.push_back(boxOf(polygon));
        ++group.mOverlapsFixed;
        changed = true;
      }
    }
  }
  if (group.mOverlapsFixed) {
    LogMessage(StringX("Number of overlapping polygons ") + group.mOverlapsFixed);
  }
}

void SimplifyMeshX::BuildLoops(OnPlanePolys& group) {
  std::unordered_map<PositionKeyX, uint32_t, PositionHashX> ids;
  group.mPositions.clear();
  group.mPolygons.clear();
  const Vector3dX normal(group.mPlane.normal);
  for (const PolygonX& polygon : group.mInput) {
    std::vector<uint32_t> loop;
    for (const VertexX& vertex : polygon.vertexList) {
      auto [ite, added] =
          ids.try_emplace(KeyOf(vertex.position), uint32_t(group.mPositions.size()));
      if (added) group.mPositions.push_back(vertex.position);
      loop.push_back(ite->second);
    }
    CleanLoop(loop);
    // Every loop winds counter-clockwise around the group's normal.
    if (LoopArea(LoopPositions(group, loop), normal) < 0.0) std::reverse(loop.begin(), loop.end());
    if (loop.size() >= 3) group.mPolygons.push_back(std::move(loop));
  }
}

void SimplifyMeshX::RemoveTJunctions(OnPlanePolys& group) {
  BuildLoops(group);
  // Every group position that lies inside an edge of a polygon is inserted into that edge,
  // so neighbouring polygons share complete edges. Positions are searched by x.
  std::vector<uint32_t> byX(group.mPositions.size());
  for (uint32_t i = 0; i < byX.size(); ++i) byX[i] = i;
  std::sort(byX.begin(), byX.end(), [&](uint32_t a, uint32_t b) {
    return group.mPositions[a].x < group.mPositions[b].x ||
           (group.mPositions[a].x == group.mPositions[b].x && a < b);
  });
  const double reach = double(sVertexTolerance) + fEPSILON2;
  for (std::vector<uint32_t>& loop : group.mPolygons) {
    std::vector<uint32_t> out;
    for (size_t e = 0; e < loop.size(); ++e) {
      const uint32_t ia = loop[e];
      const uint32_t ib = loop[(e + 1) % loop.size()];
      out.push_back(ia);
      const Vector3dX a = D(group.mPositions[ia]);
      const Vector3dX b = D(group.mPositions[ib]);
      const Vector3dX ab = b - a;
      const double lengthSquared = ab.LengthSquared();
      if (lengthSquared <= 0.0) continue;
      const double lo = std::min(a.x, b.x) - reach;
      const double hi = std::max(a.x, b.x) + reach;
      auto first = std::lower_bound(byX.begin(), byX.end(), lo, [&](uint32_t id, double x) {
        return double(group.mPositions[id].x) < x;
      });
      std::vector<std::pair<double, uint32_t>> inserts;
      for (auto ite = first; ite != byX.end() && double(group.mPositions[*ite].x) <= hi; ++ite) {
        const uint32_t id = *ite;
        if (id == ia || id == ib) continue;
        const Vector3dX p = D(group.mPositions[id]);
        const double t = Dot(p - a, ab) / lengthSquared;
        if (t < 1e-5 || t > 0.99999) continue;
        const Vector3dX closest = a + ab * t;
        if ((p - closest).Length() > reach) continue;
        inserts.emplace_back(t, id);
      }
      std::sort(inserts.begin(), inserts.end());
      for (const auto& insert : inserts) out.push_back(insert.second);
      group.mTJunctions += uint32_t(inserts.size());
    }
    loop = std::move(out);
  }
  if (group.mTJunctions) {
    LogMessage(StringX("Number of T-Junctions removed ") + group.mTJunctions);
  }
}

void SimplifyMeshX::MergeConvexPolygons(OnPlanePolys& group) {
  // Neighbours that share an edge (a -> b in one, b -> a in the other) are joined when the
  // union is convex. Polygons are visited in list order; a merged polygon is tried again.
  const Vector3dX normal(group.mPlane.normal);
  std::vector<std::vector<uint32_t>>& polygons = group.mPolygons;
  std::vector<bool> alive(polygons.size(), true);
  std::unordered_map<uint64_t, uint32_t> edges;
  auto addEdges = [&](uint32_t p) {
    const auto& loop = polygons[p];
    for (size_t e = 0; e < loop.size(); ++e) {
      edges[EdgeKey(loop[e], loop[(e + 1) % loop.size()])] = p;
    }
  };
  auto removeEdges = [&](uint32_t p) {
    const auto& loop = polygons[p];
    for (size_t e = 0; e < loop.size(); ++e) {
      auto ite = edges.find(EdgeKey(loop[e], loop[(e + 1) % loop.size()]));
      if (ite != edges.end() && ite->second == p) edges.erase(ite);
    }
  };
  for (uint32_t p = 0; p < polygons.size(); ++p) addEdges(p);

  for (uint32_t p = 0; p < polygons.size(); ++p) {
    bool merged = true;
    while (merged && alive[p]) {
      merged = false;
      const std::vector<uint32_t> loop = polygons[p];
      const size_t n = loop.size();
      for (size_t e = 0; e < n && !merged; ++e) {
        const uint32_t a = loop[e];
        const uint32_t b = loop[(e + 1) % n];
        auto ite = edges.find(EdgeKey(b, a));
        if (ite == edges.end() || ite->second == p || !alive[ite->second]) continue;
        const uint32_t q = ite->second;
        const std::vector<uint32_t>& other = polygons[q];
        const size_t m = other.size();
        size_t otherEdge = m;
        for (size_t k = 0; k < m; ++k) {
          if (other[k] == b && other[(k + 1) % m] == a) otherEdge = k;
        }
        if (otherEdge == m) continue;
        // Walk this loop from b round to a, then the other from after a round to before b.
        std::vector<uint32_t> joined;
        for (size_t k = 0; k < n; ++k) joined.push_back(loop[(e + 1 + k) % n]);
        for (size_t k = 2; k < m; ++k) joined.push_back(other[(otherEdge + k) % m]);
        CleanLoop(joined);
        const std::vector<Vector3fX> positions = LoopPositions(group, joined);
        if (!IsConvexLoop(positions, normal)) continue;
        const double areaBefore = LoopArea(LoopPositions(group, loop), normal) +
                                  LoopArea(LoopPositions(group, other), normal);
        const double areaAfter = LoopArea(positions, normal);
        if (std::fabs(areaAfter - areaBefore) > 1e-4 * std::max(1.0, areaBefore)) continue;
        removeEdges(p);
        removeEdges(q);
        alive[q] = false;
        polygons[p] = std::move(joined);
        addEdges(p);
        merged = true;
      }
    }
  }
  std::vector<std::vector<uint32_t>> kept;
  for (uint32_t p = 0; p < polygons.size(); ++p) {
    if (alive[p]) kept.push_back(std::move(polygons[p]));
  }
  polygons = std::move(kept);
}

void SimplifyMeshX::RemoveLineVertices(OnPlanePolys& group) {
  // A vertex that lies on a straight line through its neighbours in every polygon that uses
  // it is not needed: it is dropped from all of them at once, so no T-junction can open (two
  // polygons at most can hold it straight, and then they lie on both sides of one line).
  const Vector3dX normal(group.mPlane.normal);
  bool removed = true;
  while (removed) {
    removed = false;
    std::vector<uint32_t> useCount(group.mPositions.size(), 0);
    std::vector<uint32_t> straightCount(group.mPositions.size(), 0);
    for (const auto& loop : group.mPolygons) {
      const size_t n = loop.size();
      for (size_t i = 0; i < n; ++i) {
        ++useCount[loop[i]];
        if (n > 3 && IsStraight(group.mPositions[loop[(i + n - 1) % n]], group.mPositions[loop[i]],
                                group.mPositions[loop[(i + 1) % n]], normal)) {
          ++straightCount[loop[i]];
        }
      }
    }
    for (auto& loop : group.mPolygons) {
      for (size_t i = 0; i < loop.size() && loop.size() > 3;) {
        const uint32_t id = loop[i];
        if (useCount[id] && straightCount[id] == useCount[id]) {
          loop.erase(loop.begin() + long(i));
          removed = true;
        } else {
          ++i;
        }
      }
    }
  }
}

bool SimplifyMeshX::TriangulateConvex(const std::vector<Vector3fX>& loop, const Vector3fX& normalF,
                                      std::vector<uint32_t>& outTriangles) {
  const Vector3dX normal(normalF);
  std::vector<uint32_t> rest(loop.size());
  for (uint32_t i = 0; i < rest.size(); ++i) rest[i] = i;
  auto isCorner = [&](const std::vector<uint32_t>& ids, size_t i) {
    const size_t n = ids.size();
    double scale = 0.0;
    const double turn =
        Turn(loop[ids[(i + n - 1) % n]], loop[ids[i]], loop[ids[(i + 1) % n]], normal, scale);
    return scale > 0.0 && turn > kFlatTolerance * scale;
  };
  auto hasCorner = [&](const std::vector<uint32_t>& ids) {
    for (size_t i = 0; i < ids.size(); ++i) {
      if (isCorner(ids, i)) return true;
    }
    return false;
  };
  if (!hasCorner(rest)) return false;
  while (rest.size() > 3) {
    const size_t n = rest.size();
    // Corners next to a straight vertex are cut first, so the vertices on edges get used.
    size_t chosen = n;
    for (int pass = 0; pass < 2 && chosen == n; ++pass) {
      for (size_t i = 0; i < n && chosen == n; ++i) {
        if (!isCorner(rest, i)) continue;
        const bool besideStraight =
            !isCorner(rest, (i + 1) % n) || !isCorner(rest, (i + n - 1) % n);
        if (pass == 0 && !besideStraight) continue;
        std::vector<uint32_t> after = rest;
        after.erase(after.begin() + long(i));
        if (hasCorner(after)) chosen = i;
      }
    }
    if (chosen == n) return false;
    outTriangles.push_back(rest[(chosen + n - 1) % n]);
    outTriangles.push_back(rest[chosen]);
    outTriangles.push_back(rest[(chosen + 1) % n]);
    rest.erase(rest.begin() + long(chosen));
  }
  if (!hasCorner(rest)) return false;
  outTriangles.insert(outTriangles.end(), rest.begin(), rest.end());
  return true;
}

void SimplifyMeshX::CreatePolygons(OnPlanePolys& group) {
  group.mResultPolygons.Clear();
  group.mTriangles.Clear();
  const PolygonX* model = group.mInput.Empty() ? nullptr : &group.mInput[0];
  auto makePolygon = [&](const std::vector<Vector3fX>& positions) {
    PolygonX polygon;
    if (model) {
      polygon.surfaceFlags = model->surfaceFlags;
      polygon.tag = model->tag;
      polygon.colour = model->colour;
    }
    for (const Vector3fX& p : positions) {
      VertexX vertex;
      vertex.position = p;
      vertex.normal = group.mPlane.normal;
      polygon.vertexList.Add(vertex);
    }
    polygon.plane = group.mPlane;
    polygon.planeCreated = true;
    return polygon;
  };
  for (const auto& ids : group.mPolygons) {
    const std::vector<Vector3fX> loop = LoopPositions(group, ids);
    std::vector<uint32_t> triangles;
    if (!TriangulateConvex(loop, group.mPlane.normal, triangles)) {
      group.mFailed = true;
      continue;
    }
    group.mResultPolygons.Add(makePolygon(loop));
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
      PolygonX triangle =
          makePolygon({loop[triangles[t]], loop[triangles[t + 1]], loop[triangles[t + 2]]});
      KX_ASSERT(triangle.IsAPolygon(), "SimplifyMeshX::CreatePolygons");
      group.mTriangles.Add(triangle);
    }
  }
}

void SimplifyMeshX::CreateResult() {
  RunStage(&SimplifyMeshX::CreatePolygons);
  mResult = MeshX();
  mResult.mPointOrdering = POINTORDER_TRIANGLELIST;
  mConvexPolygons.Clear();
  // Joined in plane-key order, so the result is the same whatever ran where.
  for (auto ite = mOnPlanePolys.begin(); ite != mOnPlanePolys.end(); ++ite) {
    const OnPlanePolys& group = *(*ite).GetValue();
    for (const PolygonX& polygon : group.mResultPolygons) mConvexPolygons.Add(polygon);
    for (const PolygonX& triangle : group.mTriangles) {
      for (const VertexX& vertex : triangle.vertexList) {
        mResult.mIndexList.Add(int32_t(mResult.mVertexList.Size()));
        mResult.mVertexList.Add(vertex);
      }
      mResult.mPolygonList.Add(triangle);
    }
  }
  if (!mResult.mIndexList.Empty()) mResult.mSections.Add(SectionX{0, mResult.mIndexList.Size()});
}
