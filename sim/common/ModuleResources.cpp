// SPDX-License-Identifier: MIT
// Registry of the resource tables of loaded modules.
#include "sim/common/ModuleResources.h"

#include <map>
#include <mutex>
#include <utility>

namespace sim {
namespace {
std::mutex tables_lock;
std::map<HINSTANCE, std::pair<const SimResource*, size_t>>& tables()
{
    static std::map<HINSTANCE, std::pair<const SimResource*, size_t>> map;
    return map;
}
}  // namespace

void register_module_resources(HINSTANCE module, const SimResource* table, size_t count)
{
    std::lock_guard<std::mutex> guard(tables_lock);
    tables()[module] = {table, count};
}

void unregister_module_resources(HINSTANCE module)
{
    std::lock_guard<std::mutex> guard(tables_lock);
    tables().erase(module);
}

const SimResource* find_resource(HINSTANCE module, uint16_t type, uint16_t id)
{
    std::lock_guard<std::mutex> guard(tables_lock);
    auto it = tables().find(module);
    if (it == tables().end())
        return nullptr;
    for (size_t i = 0; i < it->second.second; ++i) {
        const SimResource& r = it->second.first[i];
        if (r.type == type && r.id == id)
            return &r;
    }
    return nullptr;
}

bool has_resource_type(HINSTANCE module, uint16_t type)
{
    std::lock_guard<std::mutex> guard(tables_lock);
    auto it = tables().find(module);
    if (it == tables().end())
        return false;
    for (size_t i = 0; i < it->second.second; ++i)
        if (it->second.first[i].type == type)
            return true;
    return false;
}

}  // namespace sim
