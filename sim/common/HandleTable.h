// SPDX-License-Identifier: MIT
// Handles that carry a slot index and a generation, so a stale handle is recognised
// instead of reaching whatever now occupies its slot.
#ifndef LINKORY_SIM_COMMON_HANDLETABLE_H
#define LINKORY_SIM_COMMON_HANDLETABLE_H

#include <cstdint>
#include <memory>
#include <vector>

namespace sim {

// Handle value: a per-table tag in the top bits, so that an HWND is never mistaken for an
// HDC, then the slot (index + 1) and its generation. Never 0. With 64-bit pointers the tag
// is in bits 40-47, the slot in 16-39 and the generation in 0-15; with 32-bit ones (the ARM
// build, as on the device) the tag is in bits 24-31, the slot in 12-23 and the generation
// in 0-11, so a table holds at most 4095 live objects there.
template <bool Wide>
struct HandleLayout {
    static constexpr unsigned kTagShift = Wide ? 40 : 24;
    static constexpr unsigned kSlotShift = Wide ? 16 : 12;
    static constexpr uintptr_t kSlotMax = Wide ? 0xFFFFFF : 0xFFF;
    static constexpr uintptr_t kGenerationMask = (uintptr_t(1) << kSlotShift) - 1;
};
constexpr bool kWideHandles = sizeof(uintptr_t) >= 8;
using NativeHandleLayout = HandleLayout<kWideHandles>;

// A handle of `tag` with `low` below the tag (a stock object's index, say).
inline uintptr_t tagged_handle(unsigned tag, uintptr_t low)
{
    return (static_cast<uintptr_t>(tag) << NativeHandleLayout::kTagShift) | low;
}

inline unsigned handle_tag(uintptr_t handle)
{
    return static_cast<unsigned>(handle >> NativeHandleLayout::kTagShift);
}

// What tagged_handle put below the tag.
inline uintptr_t handle_low(uintptr_t handle)
{
    return handle & ((uintptr_t(1) << NativeHandleLayout::kTagShift) - 1);
}

// Layout: the 32-bit one can be tried on a 64-bit machine too.
template <typename T, typename Layout = NativeHandleLayout>
class HandleTable {
public:
    explicit HandleTable(unsigned tag) : tag_(tag) {}

    // The new object's handle, or 0 when the table is full (the object is then freed).
    uintptr_t add(std::unique_ptr<T> object)
    {
        if (free_.empty() && slots_.size() >= Layout::kSlotMax)
            return 0;
        size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = slots_.size();
            slots_.push_back(Slot{});
        }
        Slot& slot = slots_[index];
        slot.generation = static_cast<uint16_t>((slot.generation + 1) & Layout::kGenerationMask);
        if (slot.generation == 0)
            slot.generation = 1;
        slot.object = std::move(object);
        ++live_;
        return encode(index, slot.generation);
    }

    // The object behind a live handle, or null for a stale, foreign or null handle.
    T* get(uintptr_t handle) const
    {
        size_t index;
        uint16_t generation;
        if (!decode(handle, index, generation))
            return nullptr;
        const Slot& slot = slots_[index];
        return slot.generation == generation ? slot.object.get() : nullptr;
    }

    // Frees the slot; false for a handle that is not live.
    bool remove(uintptr_t handle)
    {
        size_t index;
        uint16_t generation;
        if (!decode(handle, index, generation))
            return false;
        Slot& slot = slots_[index];
        if (slot.generation != generation || !slot.object)
            return false;
        slot.object.reset();
        free_.push_back(index);
        --live_;
        return true;
    }

    size_t live() const { return live_; }

    template <typename F>
    void for_each(F&& f) const
    {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object)
                f(encode(i, slots_[i].generation), *slots_[i].object);
    }

    void clear()
    {
        for (Slot& slot : slots_)
            slot.object.reset();
        free_.clear();
        for (size_t i = slots_.size(); i-- > 0;)
            free_.push_back(i);
        live_ = 0;
    }

private:
    struct Slot {
        uint16_t generation = 0;
        std::unique_ptr<T> object;
    };

    uintptr_t encode(size_t index, uint16_t generation) const
    {
        return (static_cast<uintptr_t>(tag_) << Layout::kTagShift) | (static_cast<uintptr_t>(index + 1) << Layout::kSlotShift) |
               generation;
    }

    bool decode(uintptr_t handle, size_t& index, uint16_t& generation) const
    {
        if ((handle >> Layout::kTagShift) != tag_)
            return false;
        uintptr_t slot = (handle >> Layout::kSlotShift) & Layout::kSlotMax;
        if (slot == 0 || slot > slots_.size())
            return false;
        index = slot - 1;
        generation = static_cast<uint16_t>(handle & Layout::kGenerationMask);
        return true;
    }

    unsigned tag_;
    std::vector<Slot> slots_;
    std::vector<size_t> free_;
    size_t live_ = 0;
};

}  // namespace sim

#endif
