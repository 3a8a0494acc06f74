// Row bands on threads of the plug-in's own: a filter gets no worker service from GStreamer.
#pragma once

#include <cstdint>
#include <functional>

namespace duovis::gst {

// Runs band(0) .. band(count - 1) on up to `threads` threads (0: one per core), the calling
// thread among them, and returns when all are done. The first exception a band throws is
// rethrown here after every thread has finished; a thread that cannot be started leaves its
// share to the others.
void runBandsOnThreads(int32_t count, const std::function<void(int32_t)>& band, unsigned threads);

}  // namespace duovis::gst
