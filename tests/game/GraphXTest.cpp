// The graph and its shortest-path search: sorted nodes and links, removal, bad starts, and
// searches on random graphs (directed links, unreachable goals, cheap detours over direct links)
// against an all-pairs reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "ReportCaptureX.h"
#include "game/GraphX.h"

namespace {

using GraphT = SimpleGraphX<void*, float>;
using NodeT = GraphT::NodeType;

// Runs a search from key `from` for key `to` and returns the path's keys (goal first), or
// {-1} when the search fails.
std::vector<int64_t> Search(GraphT& graph, uint32_t from, uint32_t to) {
  NodeT* start = nullptr;
  NodeT* goal = nullptr;
  EXPECT_TRUE(graph.GetNode(from, start));
  EXPECT_TRUE(graph.GetNode(to, goal));
  DijkstraX<NodeT, float> search;
  SearchCriteriaNode<NodeT> criteria(goal);
  search.SetDataStructure(&graph, &criteria);
  ArrayX<NodeT*> path;
  if (!search.FindShortestPath(start, criteria, path)) {
    EXPECT_TRUE(path.Empty()) << "a failed search leaves the path alone";
    return {-1};
  }
  std::vector<int64_t> keys;
  for (NodeT* node : path) keys.push_back(*node->GetKey());
  return keys;
}

GraphT SixNodes() {
  GraphT graph;
  for (uint32_t key : {4u, 2u, 6u, 1u, 5u, 3u}) graph.AddNode(NodeT(key));
  graph.AddLink(1, 6, 5);
  graph.AddLink(1, 3, 11);
  graph.AddLink(1, 2, 12);
  graph.AddLink(6, 2, 6);
  graph.AddLink(5, 4, 14);
  return graph;
}

using Paths = std::vector<int64_t>;

}  // namespace

TEST(GraphXTest, NodesAndLinksStaySorted) {
  ReportCaptureX capture;
  GraphT graph;
  EXPECT_EQ(graph.Find(7u), -1);
  EXPECT_FALSE(graph.AddLink(1, 2, 1.0f)) << "no nodes yet";
  for (uint32_t key : {30u, 10u, 20u, 40u, 20u}) graph.AddNode(NodeT(key));
  std::vector<uint32_t> keys;
  for (const NodeT& node : graph.GetNodes()) keys.push_back(*node.GetKey());
  EXPECT_EQ(keys, (std::vector<uint32_t>{10, 20, 20, 30, 40}));
  EXPECT_EQ(graph.Find(30u), 3);
  EXPECT_EQ(graph.Find(25u), -1);
  EXPECT_EQ(graph.Find(50u), -1);

  EXPECT_TRUE(graph.AddLink(10, 40, 4.0f));
  EXPECT_TRUE(graph.AddLink(10, 20, 2.0f));
  EXPECT_TRUE(graph.AddLink(10, 30, 3.0f));
  EXPECT_FALSE(graph.AddLink(10, 99, 1.0f));
  EXPECT_FALSE(graph.AddLink(99, 10, 1.0f));
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  EXPECT_TRUE(graph.AddLink(10, 30, 7.0f));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mLinks[index] != key"), 1u)
      << "a second link is reported";
  EXPECT_FALSE(graph.AddLink(10, 20, -1.0f));
  EXPECT_FALSE(graph.AddLink(10, 20, std::nanf("")));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "weight >= 0"), 2u);

  const NodeT& from = graph.GetNodes()[0];
  std::vector<unsigned long> links;
  std::vector<float> weights;
  for (uint32_t i = 0; i < from.GetNumberOfLinks(); ++i) {
    links.push_back(*from.GetLink(i));
    weights.push_back(*from.GetWeight(i));
  }
  EXPECT_EQ(links, (std::vector<unsigned long>{20, 30, 30, 40}));
  EXPECT_EQ(weights[0], 2.0f);
  EXPECT_EQ(weights[3], 4.0f);
  EXPECT_EQ(weights[1] + weights[2], 10.0f);
}

TEST(GraphXTest, RemovedNodesLeaveNoDanglingLinks) {
  ReportCaptureX capture;
  GraphT graph = SixNodes();
  EXPECT_TRUE(graph.Remove(6));
  EXPECT_EQ(graph.Find(6u), -1);
  EXPECT_EQ(Search(graph, 1, 2), (Paths{2, 1}));
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u)
      << "the search meets no link to a missing node";
  EXPECT_FALSE(graph.Remove(6));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Valid(index)"), 1u);
  EXPECT_EQ(graph.GetNumberOfNodes(), 5u);
}

TEST(GraphXTest, BadStartsAreReportedAndRefused) {
  ReportCaptureX capture;
  GraphT graph = SixNodes();
  DijkstraX<NodeT, float> search;
  ArrayX<NodeT*> path;
  SearchCriteriaNode<NodeT> criteria(graph.GetNode(0u));
  EXPECT_FALSE(search.FindShortestPath(graph.GetNode(0u), criteria, path));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mDataStructure"), 1u)
      << "no graph bound yet";
  search.SetDataStructure(&graph, &criteria);
  const NodeT stranger(77);
  EXPECT_FALSE(search.FindShortestPath(&stranger, criteria, path));
  EXPECT_FALSE(search.FindShortestPath(nullptr, criteria, path));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Valid(index)"), 2u);
  EXPECT_TRUE(path.Empty());
  const NodeT copyOfOne(1);
  EXPECT_TRUE(search.FindShortestPath(&copyOfOne, criteria, path)) << "found by key";
  EXPECT_EQ(path.Size(), 1u);
}

// Random graphs against Floyd-Warshall: every search must find a path exactly when the goal is
// reachable, the path must follow real links from the start, and its cost must be the least.
TEST(GraphXTest, PathsAreShortestOnRandomGraphs) {
  std::mt19937 random(2024);
  const float kInf = std::numeric_limits<float>::infinity();
  for (int round = 0; round < 300; ++round) {
    const uint32_t n = 1 + random() % 25;
    const uint32_t links = random() % (n * 4 + 1);
    const bool wholeWeights = round % 2 == 0;  // whole numbers sum exactly
    GraphT graph;
    std::vector<uint32_t> keyOf(n);
    for (uint32_t i = 0; i < n; ++i) keyOf[i] = i * 3 + 7;  // sparse keys, added shuffled
    std::vector<uint32_t> order = keyOf;
    std::shuffle(order.begin(), order.end(), random);
    for (uint32_t key : order) graph.AddNode(NodeT(key));

    std::vector<std::vector<double>> best(n, std::vector<double>(n, kInf));
    for (uint32_t i = 0; i < n; ++i) best[i][i] = 0;
    std::vector<std::vector<double>> direct = best;  // cheapest single link, for path costs
    for (uint32_t l = 0; l < links; ++l) {
      const uint32_t a = random() % n;
      const uint32_t b = random() % n;
      const float w = wholeWeights ? static_cast<float>(random() % 20)
                                   : std::uniform_real_distribution<float>(0, 10)(random);
      graph.AddLink(keyOf[a], keyOf[b], w);
      if (a != b) direct[a][b] = std::min<double>(direct[a][b], w);
    }
    best = direct;
    for (uint32_t k = 0; k < n; ++k)
      for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j) best[i][j] = std::min(best[i][j], best[i][k] + best[k][j]);

    DijkstraX<NodeT, float> search;
    for (uint32_t s = 0; s < n; ++s) {
      for (uint32_t g = 0; g < n; ++g) {
        NodeT* start = graph.GetNode(static_cast<uint32_t>(graph.Find(keyOf[s])));
        NodeT* goal = graph.GetNode(static_cast<uint32_t>(graph.Find(keyOf[g])));
        SearchCriteriaNode<NodeT> criteria(goal);
        search.SetDataStructure(&graph, &criteria);
        ArrayX<NodeT*> path;
        const bool found = search.FindShortestPath(start, criteria, path);
        ASSERT_EQ(found, best[s][g] < kInf) << "round " << round << " " << s << "->" << g;
        if (!found) continue;
        ASSERT_EQ(path[0], goal);
        ASSERT_EQ(path[path.Size() - 1], start);
        double cost = 0;
        for (uint32_t i = path.Size() - 1; i > 0; --i) {
          const uint32_t from = (*path[i]->GetKey() - 7) / 3;
          const uint32_t to = (*path[i - 1]->GetKey() - 7) / 3;
          ASSERT_LT(direct[from][to], kInf) << "the path follows a link";
          cost += direct[from][to];
        }
        if (wholeWeights)
          ASSERT_EQ(cost, best[s][g]);
        else
          ASSERT_NEAR(cost, best[s][g], 1e-3);
      }
    }
  }
}
