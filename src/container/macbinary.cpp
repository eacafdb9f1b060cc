// MacBinary files: the resource fork inside them.
#include "container/container_kind.h"
#include "font/byte_cursor.h"

namespace {

constexpr size_t kMacBinaryHeaderBytes = 128;

// MacBinary: a 128-byte header, the data fork, then the resource fork,
// each fork padded to a multiple of 128 bytes. Returns Fault::kScanUnknown when
// the header is not MacBinary's or there is no resource fork.
Fault macbinary_fork(const ContainerInput& in, uint64_t* fork_at, uint64_t* fork_size) {
  const uint8_t* data = in.prefix;
  const uint64_t size = in.file->size;
  ByteCursor c = make_cursor(data, in.prefixSize);
  uint32_t data_length = 0, resource_length = 0;
  if (in.prefixSize < kMacBinaryHeaderBytes || data[0] != 0 || data[1] < 1 || data[1] > 63 || data[74] != 0 ||
      data[82] != 0 || !seek(&c, 83) || !read_u32(&c, &data_length) || !read_u32(&c, &resource_length) ||
      resource_length == 0) {
    return Fault::kScanUnknown;
  }
  *fork_at = kMacBinaryHeaderBytes + (uint64_t{data_length} + 127) / 128 * 128;
  *fork_size = resource_length;
  return *fork_at <= size && resource_length <= size - *fork_at ? Fault::kNone : Fault::kScanDamaged;
}

}  // namespace

Fault read_macbinary(const ContainerInput& in, ResourceList* list) {
  uint64_t at = 0, size = 0;
  const Fault err = macbinary_fork(in, &at, &size);
  list->kind = "MacBinary file, resource fork";
  return err == Fault::kNone ? read_fork_at(*in.file, at, size, list) : err;
}
