#include <doctest/doctest.h>

#include <algorithm>
#include <map>

#include "util/ProcessTree.h"

namespace {

struct TProcessList {
    std::vector<TSnapshotEntry> snapshot;
    std::map<int, std::uint64_t> created;  // by id; missing: cannot be read
    std::vector<int> asked;                // ids whose creation time was read

    void Add(int id, int parent, std::uint64_t time) {
        snapshot.push_back({id, parent, {}});
        if (time != 0) created[id] = time;
    }
    std::vector<int> DescendantsOf(int root, std::uint64_t rootCreated) {
        const auto indexes = ProvenDescendants(snapshot, root, rootCreated, [&](std::size_t index) {
            const int id = snapshot[index].Id;
            asked.push_back(id);
            return created.count(id) ? created[id] : 0;
        });
        std::vector<int> ids;
        for (std::size_t index : indexes) ids.push_back(snapshot[index].Id);
        return ids;
    }
};

bool Before(const std::vector<int>& ids, int first, int second) {
    return std::find(ids.begin(), ids.end(), first) < std::find(ids.begin(), ids.end(), second);
}

}  // namespace

TEST_CASE("a tree is found through its parent links, parents before children") {
    TProcessList list;
    list.Add(40, 10, 200);  // grandchild, listed before its parent
    list.Add(10, 1, 100);   // the root
    list.Add(20, 10, 150);
    list.Add(30, 20, 160);
    list.Add(50, 1, 120);   // a sibling of the root
    const auto ids = list.DescendantsOf(10, 100);
    CHECK(ids.size() == 3);
    CHECK(Before(ids, 20, 30));
    CHECK(std::count(ids.begin(), ids.end(), 40) == 1);
    CHECK(std::count(ids.begin(), ids.end(), 50) == 0);
    // Only processes whose recorded parent is the root or a proven member are looked at.
    std::sort(list.asked.begin(), list.asked.end());
    CHECK(list.asked == std::vector<int>{20, 30, 40});
}

TEST_CASE("a process older than its recorded parent belongs to an earlier owner of that id") {
    TProcessList list;
    list.Add(10, 1, 500);   // the root, started late
    list.Add(20, 10, 300);  // its id's earlier owner's child
    list.Add(21, 20, 600);  // and that one's child, younger than the root but not below it
    list.Add(30, 10, 500);  // same tick as the root: its child
    list.Add(31, 30, 499);  // older than its parent 30
    CHECK(list.DescendantsOf(10, 500) == std::vector<int>{30});
}

TEST_CASE("what cannot be proven is left alone") {
    TProcessList list;
    list.Add(20, 10, 0);  // its creation time cannot be read
    list.Add(21, 20, 300);
    list.Add(10, 1, 100);
    CHECK(list.DescendantsOf(10, 100).empty());
    CHECK(list.DescendantsOf(10, 0).empty());  // a root of unknown age
    CHECK(list.DescendantsOf(0, 100).empty());
}

TEST_CASE("stale links that loop, or point back at the root's id, end the walk") {
    TProcessList list;
    list.Add(10, 30, 100);  // the root, recorded as a child of its own descendant
    list.Add(20, 10, 200);
    list.Add(30, 20, 300);
    list.Add(40, 40, 500);  // its own parent
    list.Add(50, 60, 600);  // a loop of two
    list.Add(60, 50, 600);
    CHECK(list.DescendantsOf(10, 100) == std::vector<int>{20, 30});
    CHECK(list.DescendantsOf(40, 500).empty());
    CHECK(list.DescendantsOf(50, 600) == std::vector<int>{60});
}
