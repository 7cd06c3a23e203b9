#include "util/ProcessTree.h"

std::vector<std::size_t> ProvenDescendants(const std::vector<TSnapshotEntry>& snapshot, int rootId,
                                           std::uint64_t rootCreated, const TCreationTimeOf& creationTimeOf) {
    std::vector<std::size_t> proven;
    if (rootId == 0 || rootCreated == 0) return proven;
    std::vector<bool> asked(snapshot.size(), false);
    struct TNode {
        int Id;
        std::uint64_t Created;
    };
    std::vector<TNode> pending{{rootId, rootCreated}};
    while (!pending.empty()) {
        const TNode parent = pending.back();
        pending.pop_back();
        for (std::size_t index = 0; index < snapshot.size(); ++index) {
            const TSnapshotEntry& entry = snapshot[index];
            // An entry holding the root's own id is never its descendant.
            if (asked[index] || entry.ParentId != parent.Id || entry.Id == parent.Id || entry.Id == rootId)
                continue;
            asked[index] = true;
            const std::uint64_t created = creationTimeOf(index);
            if (created == 0 || created < parent.Created) continue;
            proven.push_back(index);
            pending.push_back({entry.Id, created});
        }
    }
    return proven;
}
