// SPDX-License-Identifier: MIT
// Handles that carry a slot index and a generation, so a stale handle is recognised
// instead of reaching whatever now occupies its slot.
#ifndef LINKORY_SIM_COMMON_HANDLETABLE_H
#define LINKORY_SIM_COMMON_HANDLETABLE_H

#include <cstdint>
#include <memory>
#include <vector>

namespace sim {

// Handle value: (index + 1) << 16 | generation, with a per-table tag in bits 40-47 so
// that an HWND is never mistaken for an HDC. Never 0.
template <typename T>
class HandleTable {
public:
    explicit HandleTable(unsigned tag) : tag_(tag) {}

    uintptr_t add(std::unique_ptr<T> object)
    {
        size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = slots_.size();
            slots_.push_back(Slot{});
        }
        Slot& slot = slots_[index];
        slot.generation = static_cast<uint16_t>(slot.generation + 1);
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
        return (static_cast<uintptr_t>(tag_) << 40) | (static_cast<uintptr_t>(index + 1) << 16) | generation;
    }

    bool decode(uintptr_t handle, size_t& index, uint16_t& generation) const
    {
        if ((handle >> 40) != tag_)
            return false;
        uintptr_t slot = (handle >> 16) & 0xFFFFFF;
        if (slot == 0 || slot > slots_.size())
            return false;
        index = slot - 1;
        generation = static_cast<uint16_t>(handle & 0xFFFF);
        return true;
    }

    unsigned tag_;
    std::vector<Slot> slots_;
    std::vector<size_t> free_;
    size_t live_ = 0;
};

}  // namespace sim

#endif
