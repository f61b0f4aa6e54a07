#pragma once
// OWNED_ENTRIES: the entries a window hands to a control as item data, owned
// here rather than by the control. Another process can set any control's
// item data (LB_SETITEMDATA carries no pointer) and send any owner-draw
// message naming any number, so item data is only a key: an entry is read
// when this set holds it, and freed only as it leaves the set. A number the
// set does not hold is never followed.

#include <windows.h>

#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

template <typename ENTRY> class OWNED_ENTRIES {
  public:
    // The entry's item data from now on; 0 when it could not be held (no
    // memory), and the entry is gone.
    ULONG_PTR Add(std::unique_ptr<ENTRY> entry) {
        if (entry == nullptr)
            return 0;
        ULONG_PTR key = reinterpret_cast<ULONG_PTR>(entry.get());
        try {
            entries.emplace(key, std::move(entry));
        } catch (const std::bad_alloc&) {
            return 0;
        }
        return key;
    }
    // The entry the item data names; null for any number the set does not
    // hold. The number itself is only compared, never followed.
    ENTRY* Find(ULONG_PTR data) const {
        auto found = entries.find(data);
        return found == entries.end() ? nullptr : found->second.get();
    }
    bool Holds(ULONG_PTR data) const { return Find(data) != nullptr; }
    // Hands the entry to the caller, which frees it as its pointer goes;
    // null when the set does not hold it (taken already, or never ours).
    std::unique_ptr<ENTRY> Take(ULONG_PTR data) {
        auto found = entries.find(data);
        if (found == entries.end())
            return nullptr;
        std::unique_ptr<ENTRY> taken = std::move(found->second);
        entries.erase(found);
        return taken;
    }
    size_t Size() const { return entries.size(); }
    // Reads every entry; allocates nothing, so a failing process may use it.
    template <typename VISIT> void ForEach(VISIT visit) const {
        for (const auto& held : entries)
            visit(*held.second);
    }
    // Every entry a keep(entry) answers false for leaves the set and is freed.
    template <typename KEEP> void KeepOnly(KEEP keep) {
        for (auto at = entries.begin(); at != entries.end();)
            at = keep(*at->second) ? std::next(at) : entries.erase(at);
    }
    void Clear() { entries.clear(); }

  private:
    std::unordered_map<ULONG_PTR, std::unique_ptr<ENTRY>> entries;
};
