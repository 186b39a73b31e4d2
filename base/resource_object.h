// An object made in memory of the default memory resource and owned by a
// unique_ptr, which gives the bytes back to that resource: the error report
// sets a resource of its own, so that the readers under it never wait on the
// C library's heap.
#pragma once

#include <cstddef>
#include <memory>
#include <memory_resource>
#include <new>
#include <utility>

namespace rt {

// Ends the object and gives back the bytes it was made in, however large
// the class that it was made as: an owner of a base class frees a derived
// object whole.
struct ResourceDelete {
  std::pmr::memory_resource* resource = nullptr;
  void* bytes = nullptr;
  std::size_t size = 0;
  std::size_t alignment = 0;

  template <typename T>
  void operator()(T* object) const {
    object->~T();
    resource->deallocate(bytes, size, alignment);
  }
};

template <typename T>
using ResourcePtr = std::unique_ptr<T, ResourceDelete>;

template <typename T, typename... Args>
ResourcePtr<T> MakeResourceObject(Args&&... args) {
  std::pmr::memory_resource* resource = std::pmr::get_default_resource();
  void* bytes = resource->allocate(sizeof(T), alignof(T));
  T* object;
  try {
    object = ::new (bytes) T(std::forward<Args>(args)...);
  } catch (...) {
    resource->deallocate(bytes, sizeof(T), alignof(T));
    throw;
  }
  return ResourcePtr<T>(object, ResourceDelete{resource, bytes, sizeof(T), alignof(T)});
}

}  // namespace rt
