#include "assets/ShaderCodeX.h"

#include <cstring>

namespace {

constexpr char kMagic[4] = {'K', 'X', 'S', 'C'};

void PutU32(ArrayX<unsigned char>& code, uint32_t value) {
  for (int i = 0; i < 4; ++i) code.Add(static_cast<unsigned char>(value >> (8 * i)));
}

void PutBytes(ArrayX<unsigned char>& code, const char* bytes, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) code.Add(static_cast<unsigned char>(bytes[i]));
}

// Reads program code with bounds checks; any read past the end marks the cursor bad.
class CodeCursor {
 public:
  explicit CodeCursor(const ArrayX<unsigned char>& code) : mCode(code) {}
  bool Good() const { return mGood; }
  bool AtEnd() const { return mPosition == mCode.Size(); }
  uint32_t U32() {
    if (!Has(4)) return 0;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t{mCode[mPosition + i]} << (8 * i);
    mPosition += 4;
    return value;
  }
  const char* Bytes(uint32_t count) {
    if (!Has(count)) return nullptr;
    const char* bytes = reinterpret_cast<const char*>(&mCode[0]) + mPosition;
    mPosition += count;
    return bytes;
  }

 private:
  bool Has(uint32_t count) {
    if (mGood && uint64_t{mPosition} + count <= mCode.Size()) return true;
    mGood = false;
    return false;
  }
  const ArrayX<unsigned char>& mCode;
  uint32_t mPosition = 0;
  bool mGood = true;
};

// Reads the header and the text; leaves the cursor at the uniform count.
bool ReadHead(CodeCursor& cursor, uint32_t& stage, StringX& text) {
  const char* magic = cursor.Bytes(4);
  if (!magic || std::memcmp(magic, kMagic, 4) != 0) return false;
  stage = cursor.U32();
  const uint32_t length = cursor.U32();
  const char* bytes = cursor.Bytes(length);
  if (!cursor.Good() || stage > 1 || length == 0 || bytes[length - 1] != 0) return false;
  text = StringX(bytes, length - 1);
  return true;
}

}  // namespace

bool ShaderConstantTableX::Load(const ArrayX<unsigned char>& code) {
  mConstants.Clear();
  CodeCursor cursor(code);
  uint32_t stage = 0;
  StringX text;
  if (!ReadHead(cursor, stage, text)) return false;
  const uint32_t count = cursor.U32();
  // Every uniform takes at least 12 bytes, which bounds a hostile count.
  if (!cursor.Good() || uint64_t{count} * 12 > code.Size()) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t nameLength = cursor.U32();
    const char* name = cursor.Bytes(nameLength);
    ShaderConstantX constant;
    constant.mType = cursor.U32();
    constant.mArraySize = cursor.U32();
    if (!cursor.Good() || nameLength == 0) {
      mConstants.Clear();
      return false;
    }
    constant.mName = StringX(name, nameLength);
    mConstants.Add(constant);
  }
  if (!cursor.AtEnd()) {
    mConstants.Clear();
    return false;
  }
  return true;
}

const ShaderConstantX* ShaderConstantTableX::Find(const StringX& name) const {
  for (uint32_t i = 0; i < mConstants.Size(); ++i) {
    if (mConstants[i].mName == name) return &mConstants[i];
  }
  return nullptr;
}

void ShaderCodeX::Encode(uint32_t stage, const StringX& text, const ShaderConstantTableX& table,
                         ArrayX<unsigned char>& code) {
  code.Clear();
  PutBytes(code, kMagic, 4);
  PutU32(code, stage);
  PutU32(code, text.Size() + 1);
  if (!text.Empty()) PutBytes(code, text.GetCharArray(), text.Size());
  code.Add(0);
  PutU32(code, table.Size());
  for (uint32_t i = 0; i < table.Size(); ++i) {
    const ShaderConstantX& constant = table[i];
    PutU32(code, constant.mName.Size());
    PutBytes(code, constant.mName.GetCharArray(), constant.mName.Size());
    PutU32(code, constant.mType);
    PutU32(code, constant.mArraySize);
  }
}

StringX ShaderCodeX::GetText(const ArrayX<unsigned char>& code) {
  CodeCursor cursor(code);
  uint32_t stage = 0;
  StringX text;
  return ReadHead(cursor, stage, text) ? text : StringX();
}

uint32_t ShaderCodeX::GetStage(const ArrayX<unsigned char>& code) {
  CodeCursor cursor(code);
  uint32_t stage = 0;
  StringX text;
  return ReadHead(cursor, stage, text) ? stage : INVALID32;
}
