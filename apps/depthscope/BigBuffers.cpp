#include "BigBuffers.h"

#include <sys/mman.h>

#include <new>

namespace depthscope {

namespace {

class BigBufferAllocator final : public cv::MatAllocator {
  public:
    cv::UMatData* allocate(int dims, const int* sizes, int type, void* data0, std::size_t* step,
                           cv::AccessFlag, cv::UMatUsageFlags) const override {
        // The steps as OpenCV's own allocator lays them out: packed, or the caller's.
        std::size_t total = CV_ELEM_SIZE(type);
        for (int i = dims - 1; i >= 0; --i) {
            if (step) {
                if (data0 && step[i] != cv::Mat::AUTO_STEP) {
                    CV_Assert(total <= step[i]);
                    total = step[i];
                } else {
                    step[i] = total;
                }
            }
            total *= std::size_t(sizes[i]);
        }
        auto* u = new cv::UMatData(this);
        u->size = total;
        if (data0) {
            u->data = u->origdata = static_cast<uchar*>(data0);
            u->flags |= cv::UMatData::USER_ALLOCATED;
            return u;
        }
        try {
            u->data = u->origdata = obtain(total);
        } catch (...) {
            delete u;
            throw;
        }
        return u;
    }

    bool allocate(cv::UMatData* u, cv::AccessFlag, cv::UMatUsageFlags) const override { return u != nullptr; }

    void deallocate(cv::UMatData* u) const override {
        if (!u) return;
        CV_Assert(u->urefcount == 0 && u->refcount == 0);
        if (!(u->flags & cv::UMatData::USER_ALLOCATED)) release(u->origdata, u->size);
        delete u;
    }

  private:
    static uchar* obtain(std::size_t bytes) {
        if (bytes < kBigBufferBytes) return static_cast<uchar*>(cv::fastMalloc(bytes));
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        // Advice only: where the kernel has no huge pages to give, the mapping works as it is.
        madvise(p, bytes, MADV_HUGEPAGE);
        return static_cast<uchar*>(p);
    }

    // The size decides the way back, as it decided the way in.
    static void release(uchar* p, std::size_t bytes) {
        if (bytes < kBigBufferBytes) {
            cv::fastFree(p);
        } else if (p) {
            munmap(p, bytes);
        }
    }
};

}  // namespace

cv::MatAllocator* bigBufferAllocator() {
    static BigBufferAllocator allocator;
    return &allocator;
}

void useBigBuffers() {
    cv::Mat::setDefaultAllocator(bigBufferAllocator());
}

}  // namespace depthscope
