// The whole-file writer of Quake 2 maps, the texture name field, and the lightmap extent.
#include "loaders/QuakeBspFormatX.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

void PadTo4(std::vector<uint8_t>& bytes) { bytes.resize((bytes.size() + 3) & ~size_t(3), 0); }

}  // namespace

std::vector<uint8_t> SaveQuakeBsp(const QuakeBspX& map) {
  bsp_header header;
  std::vector<uint8_t> bytes(BspRecordSize<bsp_header>(), 0);
  for (const QuakeBspLumpX& lump : sQuakeBspLumps) {
    PadTo4(bytes);
    const size_t start = bytes.size();
    lump.save(map, bytes);
    header.lumps[lump.id] = {uint32_t(start), uint32_t(bytes.size() - start)};
  }
  PadTo4(bytes);
  std::vector<uint8_t> headerBytes;
  SaveBspRecord(header, headerBytes);
  std::copy(headerBytes.begin(), headerBytes.end(), bytes.begin());
  return bytes;
}

std::string_view GetBspTextureName(const bsp_texinfo& texinfo) {
  const char* name = texinfo.texture_name.data();
  return std::string_view(name, strnlen(name, texinfo.texture_name.size()));
}

void SetBspTextureName(bsp_texinfo& texinfo, std::string_view name) {
  texinfo.texture_name.fill(0);
  const size_t length = std::min(name.size(), texinfo.texture_name.size() - 1);
  std::copy_n(name.begin(), length, texinfo.texture_name.begin());
}

void BspLightmapBoundsX::Add(const Vector3fX& p) {
  // In 32-bit float, as map compilers do: double precision moves some faces by a luxel.
  const float s = p.x * mTexinfo.u_axis.x + p.y * mTexinfo.u_axis.y + p.z * mTexinfo.u_axis.z +
                  mTexinfo.u_offset;
  const float t = p.x * mTexinfo.v_axis.x + p.y * mTexinfo.v_axis.y + p.z * mTexinfo.v_axis.z +
                  mTexinfo.v_offset;
  mMinS = std::min(mMinS, s);
  mMaxS = std::max(mMaxS, s);
  mMinT = std::min(mMinT, t);
  mMaxT = std::max(mMaxT, t);
}

bool BspLightmapBoundsX::GetExtent(bsp_lightmap_extent& out) const {
  const float lowS = std::floor(mMinS / 16.f), lowT = std::floor(mMinT / 16.f);
  const float highS = std::ceil(mMaxS / 16.f), highT = std::ceil(mMaxT / 16.f);
  // Far outside any real map (or with no corner at all) a face gets no lightmap.
  constexpr float kLimit = 1 << 24;
  const bool usable = std::fabs(lowS) < kLimit && std::fabs(lowT) < kLimit &&
                      std::fabs(highS) < kLimit && std::fabs(highT) < kLimit && lowS <= highS &&
                      lowT <= highT;
  if (!usable) return false;
  out.s_min = static_cast<int32_t>(lowS) * 16;
  out.t_min = static_cast<int32_t>(lowT) * 16;
  out.s_extent = static_cast<int32_t>(highS - lowS) * 16;
  out.t_extent = static_cast<int32_t>(highT - lowT) * 16;
  return true;
}
