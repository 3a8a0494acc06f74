#pragma once
// The host's memory handles. The dispose callback gets no effect reference, so the arena is
// process-wide; it knows every live handle, so a stray or repeated dispose is counted, not fatal.

#include <cstdint>
#include <vector>

#include "AE_Effect.h"

namespace duovis::refhost::handles {

PF_Handle create(A_HandleSize size);
void* lock(PF_Handle handle);
void unlock(PF_Handle handle);
void dispose(PF_Handle handle);
A_HandleSize size(PF_Handle handle);

bool isLive(PF_Handle handle);
int liveCount();
int badDisposeCount();  // disposals of handles the arena did not hold
std::vector<std::uint8_t> contents(PF_Handle handle);
PF_Handle createWith(const std::vector<std::uint8_t>& bytes);

}  // namespace duovis::refhost::handles
