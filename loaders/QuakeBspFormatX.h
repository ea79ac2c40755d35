#pragma once
// The records of a Quake 2 map file (magic "IBSP", version 38): the header with its directory
// of 19 lumps, and one plain record per lump. Records are read and written field by field,
// little-endian, whatever the machine (every 32-bit value of the format is 32 bits here too), so
// a record's on-disk size is the sum of its fields and never depends on padding.
//
// One table, sQuakeBspLumps, gives each lump its record size and the functions that load its
// records from bytes and save them again: the engine's reader (ReadBSPQuake), the resource
// generator and the tests all read and write maps through it. Checking offsets and counts
// against the file is the caller's part: the loaders trust the bytes they are handed.
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

#include "geometry/Vector3fX.h"

// The lumps in file order.
enum bsp_lump_id : uint32_t {
  LUMP_ENTITIES,
  LUMP_PLANES,
  LUMP_VERTICES,
  LUMP_VISIBILITY,
  LUMP_NODES,
  LUMP_TEXINFO,
  LUMP_FACES,
  LUMP_LIGHTING,
  LUMP_LEAVES,
  LUMP_LEAF_FACES,
  LUMP_LEAF_BRUSHES,
  LUMP_EDGES,
  LUMP_FACE_EDGES,
  LUMP_MODELS,
  LUMP_BRUSHES,
  LUMP_BRUSH_SIDES,
  LUMP_POP,
  LUMP_AREAS,
  LUMP_AREA_PORTALS,
  NUMBER_OF_LUMPS
};

// Every record lists its fields once, in file order, in Fields(record, visit): visit is called
// with all of them. Vectors and arrays are stored element by element.
#define KX_BSP_FIELDS(...)                               \
  template <class Self, class Visit>                     \
  static constexpr void Fields(Self& r, Visit&& visit) { \
    visit(__VA_ARGS__);                                  \
  }

// Where a lump lies in the file.
struct bsp_lump {
  uint32_t offset = 0;
  uint32_t length = 0;
  KX_BSP_FIELDS(r.offset, r.length)
};

struct bsp_header {
  static constexpr int32_t sVersion = 38;
  std::array<char, 4> magic = {'I', 'B', 'S', 'P'};
  int32_t version = sVersion;
  std::array<bsp_lump, NUMBER_OF_LUMPS> lumps = {};
  KX_BSP_FIELDS(r.magic, r.version, r.lumps)
};

// Plane types: axial planes name their axis.
constexpr int32_t BSP_PLANE_X = 0, BSP_PLANE_Y = 1, BSP_PLANE_Z = 2;

struct bsp_plane {
  Vector3fX normal;
  float distance = 0.f;
  int32_t type = 0;
  KX_BSP_FIELDS(r.normal, r.distance, r.type)
};

struct bsp_node {
  int32_t plane = 0;
  // A child >= 0 is a node, a child < 0 the leaf -(child + 1); [0] is the front side.
  std::array<int32_t, 2> children = {0, 0};
  std::array<int16_t, 3> mins = {0, 0, 0};
  std::array<int16_t, 3> maxs = {0, 0, 0};
  uint16_t first_face = 0;
  uint16_t num_faces = 0;
  KX_BSP_FIELDS(r.plane, r.children, r.mins, r.maxs, r.first_face, r.num_faces)
};

struct bsp_texinfo {
  Vector3fX u_axis;
  float u_offset = 0.f;
  Vector3fX v_axis;
  float v_offset = 0.f;
  uint32_t flags = 0;
  uint32_t value = 0;
  std::array<char, 32> texture_name = {};  // need not hold a terminator
  int32_t next_texinfo = -1;
  KX_BSP_FIELDS(r.u_axis, r.u_offset, r.v_axis, r.v_offset, r.flags, r.value, r.texture_name,
                r.next_texinfo)
};

struct bsp_face {
  uint16_t plane = 0;
  uint16_t plane_side = 0;  // 1 when the face looks along the plane's back
  uint32_t first_edge = 0;  // into the face-edge lump
  uint16_t num_edges = 0;
  uint16_t texture_info = 0;
  std::array<uint8_t, 4> lightmap_styles = {0, 0, 0, 0};  // 255: no lightmap in that slot
  int32_t lightmap_offset = -1;                           // into the lighting lump; -1: none
  KX_BSP_FIELDS(r.plane, r.plane_side, r.first_edge, r.num_edges, r.texture_info, r.lightmap_styles,
                r.lightmap_offset)
};

// Leaf contents: empty space and solid.
constexpr uint32_t BSP_CONTENTS_EMPTY = 0, BSP_CONTENTS_SOLID = 1;

struct bsp_leaf {
  uint32_t brush_or = 0;  // the contents: those of the leaf's brushes or-ed together
  int16_t cluster = 0;    // -1: outside every cluster
  int16_t area = 0;
  std::array<int16_t, 3> mins = {0, 0, 0};
  std::array<int16_t, 3> maxs = {0, 0, 0};
  uint16_t first_leaf_face = 0;
  uint16_t num_leaf_faces = 0;
  uint16_t first_leaf_brush = 0;
  uint16_t num_leaf_brushes = 0;
  KX_BSP_FIELDS(r.brush_or, r.cluster, r.area, r.mins, r.maxs, r.first_leaf_face, r.num_leaf_faces,
                r.first_leaf_brush, r.num_leaf_brushes)
};

// Face-edge entries name an edge: e >= 0 runs v[0] to v[1], -e runs edge e backwards.
struct bsp_edge {
  std::array<uint16_t, 2> v = {0, 0};
  KX_BSP_FIELDS(r.v)
};

// A model: model 0 is the world, the others are the map's moving parts.
struct bsp_model {
  Vector3fX mins;
  Vector3fX maxs;
  Vector3fX origin;
  int32_t head_node = 0;
  int32_t first_face = 0;
  int32_t num_faces = 0;
  KX_BSP_FIELDS(r.mins, r.maxs, r.origin, r.head_node, r.first_face, r.num_faces)
};

struct bsp_brush {
  int32_t first_side = 0;
  int32_t num_sides = 0;
  int32_t contents = 0;
  KX_BSP_FIELDS(r.first_side, r.num_sides, r.contents)
};

struct bsp_brush_side {
  uint16_t plane = 0;         // faces out of the brush
  int16_t texture_info = -1;  // -1: none
  KX_BSP_FIELDS(r.plane, r.texture_info)
};

struct bsp_area {
  int32_t num_area_portals = 0;
  int32_t first_area_portal = 0;
  KX_BSP_FIELDS(r.num_area_portals, r.first_area_portal)
};

struct bsp_area_portal {
  int32_t portal_num = 0;
  int32_t other_area = 0;
  KX_BSP_FIELDS(r.portal_num, r.other_area)
};

#undef KX_BSP_FIELDS

// A whole map: the records of every lump. Byte lumps (entities, visibility, lighting, pop)
// are kept as bytes; the entity text carries its terminating 0.
struct QuakeBspX {
  std::vector<char> entities;
  std::vector<bsp_plane> planes;
  std::vector<Vector3fX> vertices;
  std::vector<uint8_t> visibility;
  std::vector<bsp_node> nodes;
  std::vector<bsp_texinfo> texinfos;
  std::vector<bsp_face> faces;
  std::vector<uint8_t> lighting;
  std::vector<bsp_leaf> leaves;
  std::vector<uint16_t> leaf_faces;
  std::vector<uint16_t> leaf_brushes;
  std::vector<bsp_edge> edges;
  std::vector<int32_t> face_edges;
  std::vector<bsp_model> models;
  std::vector<bsp_brush> brushes;
  std::vector<bsp_brush_side> brush_sides;
  std::vector<uint8_t> pop;
  std::vector<bsp_area> areas;
  std::vector<bsp_area_portal> area_portals;
};

namespace bsp_records {

template <class T>
struct IsArray : std::false_type {};
template <class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

// Calls scalar(field) for every number of the value, in file order.
template <class T, class Scalar>
constexpr void ForEachScalar(T& value, Scalar& scalar) {
  using V = std::remove_const_t<T>;
  if constexpr (std::is_arithmetic_v<V>) {
    static_assert(sizeof(V) == 1 || sizeof(V) == 2 || sizeof(V) == 4);
    scalar(value);
  } else if constexpr (std::is_same_v<V, Vector3fX>) {
    scalar(value.x);
    scalar(value.y);
    scalar(value.z);
  } else if constexpr (IsArray<V>::value) {
    for (auto& element : value) ForEachScalar(element, scalar);
  } else {
    V::Fields(value, [&](auto&... fields) { (ForEachScalar(fields, scalar), ...); });
  }
}

template <size_t Size>
using Bits =
    std::conditional_t<Size == 1, uint8_t, std::conditional_t<Size == 2, uint16_t, uint32_t>>;

}  // namespace bsp_records

// Bytes of a record in the file.
template <class R>
constexpr uint32_t BspRecordSize() {
  R record{};
  uint32_t size = 0;
  auto add = [&size](const auto& field) { size += sizeof(field); };
  bsp_records::ForEachScalar(record, add);
  return size;
}

// The on-disk sizes. A record holds its fields and nothing else, without padding, so its size
// in memory is its size on disk too.
template <class R>
constexpr bool IsBspRecordOf(uint32_t size) {
  return BspRecordSize<R>() == size && sizeof(R) == size;
}
static_assert(IsBspRecordOf<bsp_lump>(8));
static_assert(IsBspRecordOf<bsp_header>(160));
static_assert(IsBspRecordOf<bsp_plane>(20));
static_assert(IsBspRecordOf<Vector3fX>(12));
static_assert(IsBspRecordOf<bsp_node>(28));
static_assert(IsBspRecordOf<bsp_texinfo>(76));
static_assert(IsBspRecordOf<bsp_face>(20));
static_assert(IsBspRecordOf<bsp_leaf>(28));
static_assert(IsBspRecordOf<bsp_edge>(4));
static_assert(IsBspRecordOf<bsp_model>(48));
static_assert(IsBspRecordOf<bsp_brush>(12));
static_assert(IsBspRecordOf<bsp_brush_side>(4));
static_assert(IsBspRecordOf<bsp_area>(8));
static_assert(IsBspRecordOf<bsp_area_portal>(8));

// Reads a record from the BspRecordSize<R>() bytes at `bytes`.
template <class R>
void LoadBspRecord(const uint8_t* bytes, R& record) {
  auto load = [&bytes](auto& field) {
    using Bits = bsp_records::Bits<sizeof(field)>;
    Bits bits = 0;
    for (size_t i = 0; i < sizeof(field); ++i) bits |= Bits(Bits(*bytes++) << (8 * i));
    field = std::bit_cast<std::remove_reference_t<decltype(field)>>(bits);
  };
  bsp_records::ForEachScalar(record, load);
}

// Appends a record's BspRecordSize<R>() bytes to `out`.
template <class R>
void SaveBspRecord(const R& record, std::vector<uint8_t>& out) {
  auto save = [&out](const auto& field) {
    const auto bits = std::bit_cast<bsp_records::Bits<sizeof(field)>>(field);
    for (size_t i = 0; i < sizeof(field); ++i) out.push_back(uint8_t(bits >> (8 * i)));
  };
  bsp_records::ForEachScalar(record, save);
}

// A lump of the table: its records' size, and how they come from bytes and go back to them.
struct QuakeBspLumpX {
  bsp_lump_id id;
  uint32_t recordSize;
  // Replaces the lump's records with the `count` whole records at `bytes`.
  void (*load)(QuakeBspX& map, const uint8_t* bytes, uint32_t count);
  // Appends the lump's records to `out`.
  void (*save)(const QuakeBspX& map, std::vector<uint8_t>& out);
};

namespace bsp_records {

template <auto Lump>
void LoadLump(QuakeBspX& map, const uint8_t* bytes, uint32_t count) {
  auto& records = map.*Lump;
  using R = typename std::remove_reference_t<decltype(records)>::value_type;
  records.assign(count, R{});
  for (R& record : records) {
    LoadBspRecord(bytes, record);
    bytes += BspRecordSize<R>();
  }
}

template <auto Lump>
void SaveLump(const QuakeBspX& map, std::vector<uint8_t>& out) {
  for (const auto& record : map.*Lump) SaveBspRecord(record, out);
}

template <auto Lump>
constexpr QuakeBspLumpX Entry(bsp_lump_id id) {
  using R = typename std::remove_reference_t<decltype(QuakeBspX{}.*Lump)>::value_type;
  return {id, BspRecordSize<R>(), &LoadLump<Lump>, &SaveLump<Lump>};
}

}  // namespace bsp_records

// Every lump, at the index of its id.
inline constexpr std::array<QuakeBspLumpX, NUMBER_OF_LUMPS> sQuakeBspLumps = {
    bsp_records::Entry<&QuakeBspX::entities>(LUMP_ENTITIES),
    bsp_records::Entry<&QuakeBspX::planes>(LUMP_PLANES),
    bsp_records::Entry<&QuakeBspX::vertices>(LUMP_VERTICES),
    bsp_records::Entry<&QuakeBspX::visibility>(LUMP_VISIBILITY),
    bsp_records::Entry<&QuakeBspX::nodes>(LUMP_NODES),
    bsp_records::Entry<&QuakeBspX::texinfos>(LUMP_TEXINFO),
    bsp_records::Entry<&QuakeBspX::faces>(LUMP_FACES),
    bsp_records::Entry<&QuakeBspX::lighting>(LUMP_LIGHTING),
    bsp_records::Entry<&QuakeBspX::leaves>(LUMP_LEAVES),
    bsp_records::Entry<&QuakeBspX::leaf_faces>(LUMP_LEAF_FACES),
    bsp_records::Entry<&QuakeBspX::leaf_brushes>(LUMP_LEAF_BRUSHES),
    bsp_records::Entry<&QuakeBspX::edges>(LUMP_EDGES),
    bsp_records::Entry<&QuakeBspX::face_edges>(LUMP_FACE_EDGES),
    bsp_records::Entry<&QuakeBspX::models>(LUMP_MODELS),
    bsp_records::Entry<&QuakeBspX::brushes>(LUMP_BRUSHES),
    bsp_records::Entry<&QuakeBspX::brush_sides>(LUMP_BRUSH_SIDES),
    bsp_records::Entry<&QuakeBspX::pop>(LUMP_POP),
    bsp_records::Entry<&QuakeBspX::areas>(LUMP_AREAS),
    bsp_records::Entry<&QuakeBspX::area_portals>(LUMP_AREA_PORTALS),
};

namespace bsp_records {
constexpr bool InIdOrder() {
  for (uint32_t i = 0; i < NUMBER_OF_LUMPS; ++i)
    if (sQuakeBspLumps[i].id != i) return false;
  return true;
}
}  // namespace bsp_records
static_assert(bsp_records::InIdOrder());

// The whole file: the header, then every lump in id order, each starting on a 4-byte boundary
// (zeros between), and zeros up to a 4-byte boundary at the end.
std::vector<uint8_t> SaveQuakeBsp(const QuakeBspX& map);

// The texture name up to its terminator, or all 32 characters when it has none.
std::string_view GetBspTextureName(const bsp_texinfo& texinfo);
// Sets the name, cut to 31 characters, the rest of the field zeros.
void SetBspTextureName(bsp_texinfo& texinfo, std::string_view name);

// A face's lightmap rectangle as map compilers work it out, in 32-bit float: the lowest
// texture coordinates, multiples of 16, and the spans above them, multiples of 16 too. The
// lightmap holds Width() x Height() RGB luxels, row by row.
struct bsp_lightmap_extent {
  int32_t s_min = 0;
  int32_t t_min = 0;
  int32_t s_extent = 0;
  int32_t t_extent = 0;
  uint32_t Width() const { return uint32_t(s_extent) / 16 + 1; }
  uint32_t Height() const { return uint32_t(t_extent) / 16 + 1; }
};

// Gathers the texture coordinates of a face's corners, then gives its lightmap extent.
class BspLightmapBoundsX {
 public:
  explicit BspLightmapBoundsX(const bsp_texinfo& texinfo) : mTexinfo(texinfo) {}
  void Add(const Vector3fX& corner);
  // False when no corner was added or the face lies so far out (texture axes of a damaged
  // file) that it can have no lightmap; `out` is then left as it was.
  bool GetExtent(bsp_lightmap_extent& out) const;

 private:
  const bsp_texinfo& mTexinfo;
  float mMinS = 100000.f, mMinT = 100000.f, mMaxS = -100000.f, mMaxT = -100000.f;
};
