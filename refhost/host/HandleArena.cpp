#include "HandleArena.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace duovis::refhost::handles {

namespace {

// The handle is the address of `data`, the master pointer a host handle points at.
struct Block {
    void* data = nullptr;
    std::vector<std::uint8_t> storage;
    int locks = 0;
};

struct Arena {
    std::mutex mutex;
    std::unordered_map<PF_Handle, Block*> blocks;
    int badDisposals = 0;
};

Arena& arena() {
    static Arena instance;
    return instance;
}

Block* find(Arena& a, PF_Handle handle) {
    auto it = a.blocks.find(handle);
    return it == a.blocks.end() ? nullptr : it->second;
}

}  // namespace

PF_Handle create(A_HandleSize size) {
    auto* block = new Block;
    // New host memory is not cleared by real hosts either; a fixed pattern makes reliance on
    // it visible.
    block->storage.assign(static_cast<std::size_t>(size), 0xCD);
    block->data = block->storage.empty() ? nullptr : block->storage.data();
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    a.blocks.emplace(&block->data, block);
    return &block->data;
}

PF_Handle createWith(const std::vector<std::uint8_t>& bytes) {
    PF_Handle handle = create(bytes.size());
    if (!bytes.empty()) std::memcpy(*handle, bytes.data(), bytes.size());
    return handle;
}

void* lock(PF_Handle handle) {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    Block* block = find(a, handle);
    if (block == nullptr || block->data == nullptr) return nullptr;
    ++block->locks;
    return block->data;
}

void unlock(PF_Handle handle) {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    if (Block* block = find(a, handle); block != nullptr && block->locks > 0) --block->locks;
}

void dispose(PF_Handle handle) {
    if (handle == nullptr) return;
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    Block* block = find(a, handle);
    if (block == nullptr) {
        ++a.badDisposals;
        return;
    }
    a.blocks.erase(handle);
    delete block;
}

A_HandleSize size(PF_Handle handle) {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    Block* block = find(a, handle);
    return block == nullptr ? 0 : block->storage.size();
}

bool isLive(PF_Handle handle) {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    return find(a, handle) != nullptr;
}

int liveCount() {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    return static_cast<int>(a.blocks.size());
}

int badDisposeCount() {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    return a.badDisposals;
}

std::vector<std::uint8_t> contents(PF_Handle handle) {
    Arena& a = arena();
    std::lock_guard<std::mutex> guard(a.mutex);
    Block* block = find(a, handle);
    return block == nullptr ? std::vector<std::uint8_t>{} : block->storage;
}

}  // namespace duovis::refhost::handles
