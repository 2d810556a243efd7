// Tag trees: quad-trees of minimum values coded against rising thresholds.
#pragma once

#include <vector>

class J2kBitWriter;
class J2kBitReader;

class J2kTagTree {
public:
    void Init(int leavesWide, int leavesHigh);
    // Encoder: every node known nowhere, values as set; decoder: values unknown.
    void Reset();
    void SetValue(int leaf, int value);
    int Value(int leaf) const { return nodes[leaf].value; }
    void Encode(J2kBitWriter& bits, int leaf, int threshold);
    // True when the leaf's value is below the threshold (then Value is exact).
    bool Decode(J2kBitReader& bits, int leaf, int threshold);

private:
    struct Node {
        int parent;
        int value;
        int low;
        bool known;
    };
    int PathToRoot(int leaf, int* path) const;
    template <class F> void Descend(int leaf, F visit);
    std::vector<Node> nodes;
    int leafCount = 0;
};
