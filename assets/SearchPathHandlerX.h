#pragma once
// Finds source files in the fixed list of resource folders.
#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

class SearchPathHandlerX {
 public:
  virtual ~SearchPathHandlerX() = default;
  // The first existing file among the search paths followed by `filename`, in list order;
  // empty when there is none.
  virtual StringX SearchSearchPathsForFile(const StringX& filename) = 0;

  static void CreateSingleton();
  static void DestroySingleton();
};

class SearchPathHandlerImplX : public SearchPathHandlerX {
 public:
  SearchPathHandlerImplX();
  StringX SearchSearchPathsForFile(const StringX& filename) override;
  const ArrayX<StringX>& GetSearchPaths() const { return mSearchPaths; }

 private:
  ArrayX<StringX> mSearchPaths;
};

extern SearchPathHandlerX* sSearchPathHandler;
inline SearchPathHandlerX* GetSearchPathHandler() { return sSearchPathHandler; }
