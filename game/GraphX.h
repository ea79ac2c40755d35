#pragma once
// A small directed-graph library with a shortest-path search. SimpleGraphX keeps its nodes
// sorted by an unsigned key; each SimpleNodeX keeps its outgoing links sorted by target key,
// with one weight per link and an opaque user pointer. DijkstraX searches from a start node
// until a SearchCriteria accepts a node and returns the cheapest path to it.
// Weights must be non-negative: AddLink reports and refuses anything else.
#include <cstdint>
#include <functional>
#include <limits>

#include "engine/ReportHooksX.h"
#include "foundation/ArrayX.h"

namespace kx_graph {
inline void Report(const char* function, int line, const char* text) {
  AssertFailed(__FILE__, function, line, text);
}
}  // namespace kx_graph

// A graph node as the search sees it: a key and weighted links to other keys.
template <class WeightT>
class NodeX {
 public:
  virtual ~NodeX() = default;
  virtual bool operator==(const NodeX& node) const { return *GetKey() == *node.GetKey(); }
  virtual bool operator!=(const NodeX& node) const { return !(*this == node); }
  virtual bool operator<(const NodeX& node) const { return *GetKey() < *node.GetKey(); }
  virtual bool operator>(const NodeX& node) const { return *GetKey() > *node.GetKey(); }
  virtual const uint32_t* GetKey() const = 0;
  virtual uint32_t GetNumberOfLinks() const = 0;
  virtual const unsigned long* GetLink(uint32_t index) const = 0;
  virtual const WeightT* GetWeight(uint32_t index) const = 0;
};

template <class DataT = void*, class WeightT = float>
class SimpleNodeX : public NodeX<WeightT> {
 public:
  explicit SimpleNodeX(uint32_t key = 0, DataT data = DataT()) : mKey(key), mData(data) {}

  const uint32_t* GetKey() const override { return &mKey; }
  uint32_t GetNumberOfLinks() const override { return mLinks.Size(); }
  const unsigned long* GetLink(uint32_t index) const override { return &mLinks[index]; }
  const WeightT* GetWeight(uint32_t index) const override { return &mWeights[index]; }
  DataT GetData() const { return mData; }
  void SetData(DataT data) { mData = data; }

  // Inserts a link to key, keeping the links ascending; a second link to the same key is
  // reported and inserted next to the first.
  void AddLink(uint32_t key, WeightT weight) {
    uint32_t index = 0;
    uint32_t count = mLinks.Size();
    while (count) {  // first link not below key
      const uint32_t half = count / 2;
      if (mLinks[index + half] < key) {
        index += half + 1;
        count -= half + 1;
      } else {
        count = half;
      }
    }
    if (index < mLinks.Size() && mLinks[index] == key)
      kx_graph::Report("SimpleNodeX::AddLink", __LINE__, "mLinks[index] != key");
    mLinks.Insert(index, key);
    mWeights.Insert(index, weight);
  }

  // Drops every link to key.
  void RemoveLinks(uint32_t key) {
    for (uint32_t i = mLinks.Size(); i-- > 0;) {
      if (mLinks[i] == key) {
        mLinks.RemoveStable(i);
        mWeights.RemoveStable(i);
      }
    }
  }

 private:
  uint32_t mKey;
  ArrayX<unsigned long> mLinks;  // target keys, ascending
  ArrayX<WeightT> mWeights;      // one per link, same order
  DataT mData;
};

// The graph interface the search works on.
template <class NodeT, class WeightT>
class GraphX {
 public:
  virtual ~GraphX() = default;
  virtual void AddNode(const NodeT& node) = 0;
  virtual bool Remove(uint32_t key) = 0;
  virtual bool AddLink(uint32_t from, uint32_t to, WeightT weight) = 0;
  virtual bool GetNode(uint32_t key, NodeT*& node) = 0;
  virtual int32_t Find(const NodeT& node) const = 0;
  virtual int32_t Find(uint32_t key) const = 0;
  virtual uint32_t GetNumberOfNodes() const = 0;
  virtual NodeT* GetNode(uint32_t index) = 0;
  virtual NodeT* begin() = 0;
  virtual NodeT* end() = 0;
  virtual const NodeT* begin() const = 0;
  virtual const NodeT* end() const = 0;
};

template <class DataT = void*, class WeightT = float>
class SimpleGraphX : public GraphX<SimpleNodeX<DataT, WeightT>, WeightT> {
 public:
  using NodeType = SimpleNodeX<DataT, WeightT>;

  // Inserts a copy of node in key order; equal keys are kept side by side.
  void AddNode(const NodeType& node) override { mNodes.InsertSorted(node); }

  // Removes the node with key, and the links other nodes hold to key once no node has it.
  bool Remove(uint32_t key) override {
    const int32_t index = Find(key);
    if (index < 0) {
      kx_graph::Report("SimpleGraphX::Remove", __LINE__, "Valid(index)");
      return false;
    }
    mNodes.RemoveStable(static_cast<uint32_t>(index));
    if (Find(key) < 0)
      for (NodeType& node : mNodes) node.RemoveLinks(key);
    return true;
  }

  // Adds a directed link; false when either key is missing or the weight is negative or NaN.
  bool AddLink(uint32_t from, uint32_t to, WeightT weight) override {
    const int32_t fromIndex = Find(from);
    if (fromIndex < 0 || Find(to) < 0) return false;
    if (!(weight >= WeightT(0))) {
      kx_graph::Report("SimpleGraphX::AddLink", __LINE__, "weight >= 0");
      return false;
    }
    mNodes[static_cast<uint32_t>(fromIndex)].AddLink(to, weight);
    return true;
  }

  bool GetNode(uint32_t key, NodeType*& node) override {
    const int32_t index = Find(key);
    node = index < 0 ? nullptr : &mNodes[static_cast<uint32_t>(index)];
    return node != nullptr;
  }

  int32_t Find(const NodeType& node) const override { return Find(*node.GetKey()); }

  // Index of a node with key, or -1.
  int32_t Find(uint32_t key) const override {
    uint32_t index = 0;
    uint32_t count = mNodes.Size();
    while (count) {
      const uint32_t half = count / 2;
      if (*mNodes[index + half].GetKey() < key) {
        index += half + 1;
        count -= half + 1;
      } else {
        count = half;
      }
    }
    if (index < mNodes.Size() && *mNodes[index].GetKey() == key) return static_cast<int32_t>(index);
    return -1;
  }

  uint32_t GetNumberOfNodes() const override { return mNodes.Size(); }
  NodeType* GetNode(uint32_t index) override {
    return index < mNodes.Size() ? &mNodes[index] : nullptr;
  }
  NodeType* begin() override { return mNodes.begin(); }
  NodeType* end() override { return mNodes.end(); }
  const NodeType* begin() const override { return mNodes.begin(); }
  const NodeType* end() const override { return mNodes.end(); }
  const ArrayX<NodeType>& GetNodes() const { return mNodes; }

 private:
  ArrayX<NodeType> mNodes;  // ascending by key
};

template <class NodeT>
class SearchCriteria {
 public:
  virtual ~SearchCriteria() = default;
  virtual bool IsGoal(const NodeT* node) const = 0;
};

// Accepts exactly one node.
template <class NodeT>
class SearchCriteriaNode : public SearchCriteria<NodeT> {
 public:
  explicit SearchCriteriaNode(const NodeT* node = nullptr) : mNode(node) {}
  void SetNode(const NodeT* node) { mNode = node; }
  bool IsGoal(const NodeT* node) const override { return node == mNode; }

 private:
  const NodeT* mNode;
};

template <class NodeT, class WeightT>
class SearchX {
 public:
  virtual ~SearchX() = default;
  virtual void SetDataStructure(GraphX<NodeT, WeightT>* graph,
                                const SearchCriteria<NodeT>* criteria) = 0;
  virtual bool FindShortestPath(const NodeT* start, const SearchCriteria<NodeT>& criteria,
                                ArrayX<NodeT*>& path) = 0;
};

template <class NodeT = SimpleNodeX<>, class WeightT = float>
class DijkstraX : public SearchX<NodeT, WeightT> {
 public:
  struct DijkstraData {
    WeightT mCost;
    bool mVisited;
    int32_t mPrevious;  // node index, -1 for none
    NodeT* mNode;
  };

  void SetDataStructure(GraphX<NodeT, WeightT>* graph,
                        const SearchCriteria<NodeT>* criteria) override {
    mDataStructure = graph;
    mCriteria = criteria;
    Initilize();
  }

  // One record per graph node: cost unknown (infinite), unvisited, no predecessor.
  bool Initilize() {
    if (!mDataStructure) {
      kx_graph::Report("DijkstraX::Initilize", __LINE__, "mDataStructure");
      return false;
    }
    const uint32_t count = mDataStructure->GetNumberOfNodes();
    if (mData.Size() != count) {
      mData.Clear();
      mData.Resize(count);
    }
    for (uint32_t i = 0; i < count; ++i)
      mData[i] = DijkstraData{Unreached(), false, -1, mDataStructure->GetNode(i)};
    return true;
  }

  // Finds the cheapest path from start to the first node the criteria accept, expanding nodes
  // in order of their path cost. On success appends the path, goal first and start last.
  // False (path unchanged) when no accepted node can be reached.
  bool FindShortestPath(const NodeT* start, const SearchCriteria<NodeT>& criteria,
                        ArrayX<NodeT*>& path) override {
    if (!Initilize()) return false;
    const int32_t startIndex = IndexOf(start);
    if (startIndex < 0) {
      kx_graph::Report("DijkstraX::FindShortestPath", __LINE__, "Valid(index)");
      return false;
    }
    ArrayX<unsigned long> open;
    open.IncreaseSize(mData.Size());
    mData[static_cast<uint32_t>(startIndex)].mCost = WeightT(0);
    open.Add(static_cast<unsigned long>(startIndex));
    uint32_t index = 0;
    while (GetMinimum(open, index)) {
      DijkstraData& current = mData[index];
      if (current.mVisited) continue;  // an older, dearer entry of a node already expanded
      if (criteria.IsGoal(current.mNode)) {
        for (int32_t step = static_cast<int32_t>(index); step >= 0; step = mData[step].mPrevious)
          path.Add(mData[step].mNode);
        return true;
      }
      current.mVisited = true;
      RelaxNeighboors(index, open);
    }
    return false;
  }

  const ArrayX<DijkstraData>& GetData() const { return mData; }

 private:
  static WeightT Unreached() {
    return std::numeric_limits<WeightT>::has_infinity ? std::numeric_limits<WeightT>::infinity()
                                                      : std::numeric_limits<WeightT>::max();
  }

  // The index of a node of the graph: by address, else by key; -1 when it is not there.
  int32_t IndexOf(const NodeT* node) const {
    if (!node) return -1;
    const GraphX<NodeT, WeightT>& graph = *mDataStructure;
    const std::less<const NodeT*> before;
    if (!before(node, graph.begin()) && before(node, graph.end()))
      return static_cast<int32_t>(node - graph.begin());
    return graph.Find(*node);
  }

  // Takes the open entry of least cost (the first one on ties) out of the list.
  bool GetMinimum(ArrayX<unsigned long>& open, uint32_t& index) const {
    if (open.Empty()) return false;
    uint32_t best = 0;
    for (uint32_t i = 1; i < open.Size(); ++i)
      if (mData[open[i]].mCost < mData[open[best]].mCost) best = i;
    index = static_cast<uint32_t>(open[best]);
    open.Remove(best);
    return true;
  }

  // Offers every unvisited link target the path through node index; a cheaper path replaces
  // its cost and predecessor and puts it on the open list.
  void RelaxNeighboors(uint32_t index, ArrayX<unsigned long>& open) {
    const NodeT* node = mData[index].mNode;
    const WeightT cost = mData[index].mCost;
    for (uint32_t link = 0; link < node->GetNumberOfLinks(); ++link) {
      const int32_t neighboorIndex =
          mDataStructure->Find(static_cast<uint32_t>(*node->GetLink(link)));
      if (neighboorIndex < 0) {
        kx_graph::Report("DijkstraX::RelaxNeighboors", __LINE__, "Valid(neighboorIndex)");
        continue;
      }
      DijkstraData& target = mData[static_cast<uint32_t>(neighboorIndex)];
      const WeightT offered = cost + *node->GetWeight(link);
      if (target.mVisited || !(offered < target.mCost)) continue;
      target.mCost = offered;
      target.mPrevious = static_cast<int32_t>(index);
      open.Add(static_cast<unsigned long>(neighboorIndex));
    }
  }

  GraphX<NodeT, WeightT>* mDataStructure = nullptr;
  const SearchCriteria<NodeT>* mCriteria = nullptr;
  ArrayX<DijkstraData> mData;
};
