// A pool of blocks over whole pages of the system's.
#include "report/report_memory.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/page_size.h"
#include "platform/platform.h"

namespace rt {

namespace {

constexpr std::size_t kPage = platform::kPageSize;
// Larger blocks are pages of their own, given back to the system when freed.
// The pool aligns each run of blocks to its block size, so this is at most
// a page.
constexpr std::size_t kLargestPooledBlock = kPage;

std::size_t WholePages(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
  return (bytes + kPage - 1) / kPage * kPage;
}

// Whole pages for every request, the pool's own bookkeeping included; none
// asks for more than a page's alignment.
class PageResource final : public std::pmr::memory_resource {
  void* do_allocate(std::size_t bytes, std::size_t alignment) override {
    void* pages = nullptr;
    if (alignment <= kPage && bytes <= SIZE_MAX - kPage) {
      pages = platform::AllocatePages(WholePages(bytes));
    }
    if (pages == nullptr) std::abort();
    return pages;
  }

  void do_deallocate(void* pages, std::size_t bytes, std::size_t) override {
    platform::FreePages(pages, WholePages(bytes));
  }

  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }
};

struct Resources {
  PageResource pages;
  std::pmr::unsynchronized_pool_resource pool{{0, kLargestPooledBlock}, &pages};
};

}  // namespace

std::pmr::memory_resource* ReportMemory() {
  // Made in place and never destroyed: usable while the process ends.
  alignas(Resources) static unsigned char storage[sizeof(Resources)];
  static Resources* const resources = ::new (storage) Resources();
  return &resources->pool;
}

void UseReportMemory() {
  std::pmr::set_default_resource(ReportMemory());
}

}  // namespace rt
