// The mesh record's one fill: every count and view lands in its own field. The arrays below
// all have different lengths and every count a different value, so a swapped pair of
// arguments in the fill shows as a wrong pointer, length or count.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "base/mesh_input.h"

using namespace kestrafol;

namespace {

template <typename T>
void expectViews(const HostArray<T>& view, const std::vector<T>& array, const char* name) {
    EXPECT_EQ(view.data, array.data()) << name;
    EXPECT_EQ(view.length, static_cast<std::int64_t>(array.size())) << name;
    EXPECT_EQ(view.checkedLength(), static_cast<std::int64_t>(array.size())) << name;
}

}  // namespace

TEST(MeshInput, ViewOfOwnedArraysKeepsEveryCountAndArrayInItsField) {
    MeshArrays m;
    m.nodeCount = 1;
    m.coords = {0.0, 1.0};
    m.triangleCount = 2;
    m.triangles = {1, 1, 1, 1, 1, 1, 1};
    m.quadCount = 3;
    m.quads = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    m.boundaryEdgeCount = 4;
    m.boundaryEdges = std::vector<int>(14, 0);
    m.boundaryKindCount = 5;
    m.boundaryKinds = std::vector<int>(6, 1);

    const MeshInput in = viewOf(m);
    EXPECT_EQ(in.nodeCount, 1);
    EXPECT_EQ(in.triangleCount, 2);
    EXPECT_EQ(in.quadCount, 3);
    EXPECT_EQ(in.boundaryEdgeCount, 4);
    EXPECT_EQ(in.boundaryKindCount, 5);
    expectViews(in.coords, m.coords, "coords");
    expectViews(in.triangles, m.triangles, "triangles");
    expectViews(in.quads, m.quads, "quads");
    expectViews(in.boundaryEdges, m.boundaryEdges, "boundaryEdges");
    expectViews(in.boundaryKinds, m.boundaryKinds, "boundaryKinds");
}

TEST(MeshInput, NullIsADataPointerOfNullWhateverTheLength) {
    const std::vector<int> values{7, 8, 9};
    const HostArray<int> none;
    const HostArray<int> nullWithLength(nullptr, 3);
    const HostArray<int> three(values);
    EXPECT_EQ(none.checkedLength(), nullArrayLength);
    EXPECT_EQ(nullWithLength.checkedLength(), nullArrayLength);
    EXPECT_EQ(three.checkedLength(), 3);
    EXPECT_EQ(three.first(2).size(), 2u);
    EXPECT_EQ(three.first(2)[1], 8);
    EXPECT_TRUE(none.first(0).empty());
}
