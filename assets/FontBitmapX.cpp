#include "assets/FontBitmapX.h"

#include "assets/AssetManagerBaseX.h"
#include "assets/TextureX.h"

bool FontBitmapX::GenerateAsset(const void* parameters) {
  const bool argsVoid = parameters != nullptr;
  KX_ASSERT_MSG(!GetName().Empty() && argsVoid, "FontBitmapX::GenerateAsset",
                "!GetName().Empty() && argsVoid");
  if (GetName().Empty() || !argsVoid) return false;
  const FontBitmapArgsX& args = *static_cast<const FontBitmapArgsX*>(parameters);
  if (args.mColumns == 0 || args.mRows == 0) {
    LogMessage((StringX("FontBitmapX, empty grid for ") + GetName()).GetCharArray());
    return false;
  }
  const TextureAssetArgsX description = OverlayImageDescription();
  mTexture = GetPartAsset<TextureX>(*this, GetName() + ".png", &description);
  if (!mTexture) return false;
  mColumns = args.mColumns;
  mRows = args.mRows;
  mCellWidth = static_cast<float>(mTexture->GetSourceWidth()) / static_cast<float>(mColumns);
  mCellHeight = static_cast<float>(mTexture->GetSourceHeight()) / static_cast<float>(mRows);
  return true;
}

void FontBitmapX::GetCharRect(CharRectX& rect, char character) const {
  const int32_t index = static_cast<int32_t>(static_cast<signed char>(character)) - 32;
  const int32_t cells = static_cast<int32_t>(mColumns * mRows);
  const bool outside = character == ' ' || index < 0 || index >= cells;
  const int32_t cell = outside ? 0 : index;
  const int32_t column = mColumns ? cell % static_cast<int32_t>(mColumns) : 0;
  const int32_t row = mColumns ? cell / static_cast<int32_t>(mColumns) : 0;
  rect.left = static_cast<int32_t>(static_cast<float>(column) * mCellWidth);
  rect.top = static_cast<int32_t>(static_cast<float>(row) * mCellHeight);
  rect.right = static_cast<int32_t>(static_cast<float>(column) * mCellWidth + mCellWidth);
  rect.bottom = static_cast<int32_t>(static_cast<float>(row) * mCellHeight + mCellHeight);
}
