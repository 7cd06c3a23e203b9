// Which processes of one snapshot descend from a root. Parent ids in a
// snapshot can be stale: a parent that ended may have left its id to a later
// process, which then looks like the parent of the first one's children. A
// process created before its supposed parent cannot be its child, so each
// link is proven by creation times.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TSnapshotEntry {
    int Id = 0;
    int ParentId = 0;
    std::wstring ExeName;  // the image's file name, long or short as the process was started
};

// Creation time of the entry at an index, in any unit that grows with time;
// 0 when it cannot be read, which proves nothing.
using TCreationTimeOf = std::function<std::uint64_t(std::size_t index)>;

// Indexes of every proven descendant of the root (not the root itself),
// each parent before its children. creationTimeOf is asked only about
// entries whose recorded parent is the root or an already proven
// descendant, and at most once per entry.
std::vector<std::size_t> ProvenDescendants(const std::vector<TSnapshotEntry>& snapshot, int rootId,
                                           std::uint64_t rootCreated, const TCreationTimeOf& creationTimeOf);
