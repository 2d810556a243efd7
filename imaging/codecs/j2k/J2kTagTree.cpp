#include "J2kTagTree.h"

#include <climits>

#include "J2kBitIO.h"

void J2kTagTree::Init(int leavesWide, int leavesHigh)
{
    nodes.clear();
    leafCount = leavesWide * leavesHigh;
    if (leafCount <= 0)
        return;
    // Levels from the leaves up; each node's parent lies in the next level.
    std::vector<int> widths{leavesWide}, heights{leavesHigh};
    while (widths.back() > 1 || heights.back() > 1) {
        widths.push_back((widths.back() + 1) / 2);
        heights.push_back((heights.back() + 1) / 2);
    }
    int total = 0;
    for (size_t l = 0; l < widths.size(); l++)
        total += widths[l] * heights[l];
    nodes.resize(size_t(total));
    int levelStart = 0;
    for (size_t l = 0; l < widths.size(); l++) {
        int nextStart = levelStart + widths[l] * heights[l];
        for (int y = 0; y < heights[l]; y++)
            for (int x = 0; x < widths[l]; x++) {
                Node& n = nodes[size_t(levelStart + y * widths[l] + x)];
                n.parent = (l + 1 < widths.size()) ? nextStart + (y / 2) * widths[l + 1] + x / 2 : -1;
            }
        levelStart = nextStart;
    }
    Reset();
}

void J2kTagTree::Reset()
{
    for (Node& n : nodes) {
        n.value = INT_MAX;
        n.low = 0;
        n.known = false;
    }
}

void J2kTagTree::SetValue(int leaf, int value)
{
    for (int i = leaf; i >= 0 && nodes[size_t(i)].value > value; i = nodes[size_t(i)].parent)
        nodes[size_t(i)].value = value;
}

int J2kTagTree::PathToRoot(int leaf, int* path) const
{
    int depth = 0;
    for (int i = leaf; i >= 0; i = nodes[size_t(i)].parent)
        path[depth++] = i;
    return depth;
}

// Walks from the root down to the leaf, each node starting from the larger of
// its own lower bound and its parent's; visit returns the node's new bound.
template <class F> void J2kTagTree::Descend(int leaf, F visit)
{
    int path[40];
    int depth = PathToRoot(leaf, path);
    int low = 0;
    for (int d = depth - 1; d >= 0; d--) {
        Node& n = nodes[size_t(path[d])];
        if (low > n.low)
            n.low = low;
        else
            low = n.low;
        low = visit(n, low);
        n.low = low;
    }
}

void J2kTagTree::Encode(J2kBitWriter& bits, int leaf, int threshold)
{
    Descend(leaf, [&](Node& n, int low) {
        while (low < threshold) {
            if (low >= n.value) {
                if (!n.known) {
                    bits.Put(1);
                    n.known = true;
                }
                break;
            }
            bits.Put(0);
            low++;
        }
        return low;
    });
}

bool J2kTagTree::Decode(J2kBitReader& bits, int leaf, int threshold)
{
    Descend(leaf, [&](Node& n, int low) {
        while (low < threshold && low < n.value) {
            if (bits.Get())
                n.value = low;
            else
                low++;
        }
        return low;
    });
    return nodes[size_t(leaf)].value < threshold;
}
