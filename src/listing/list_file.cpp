#include "listing/list_file.h"

#include <cstdlib>
#include <cstring>

#include "container/container.h"
#include "os/os.h"

namespace {

// Opens the file for positioned reads. Returns Fault::kNone, or why it could
// not be had. Only regular files are read, judged by what was opened: a
// directory has no size, and the file is opened without waiting, as a FIFO
// would wait for a writer.
Fault open_file(const char* path, Listing* listing) {
  OsFile f = kNoFile;
  OsFileInfo info{};
  if (os_open_input(path, &f, &info) != OsError::kNone) return Fault::kInputOpen;
  ByteSource* file = &listing->source;
  if (info.kind != OsKind::kRegular || !file_source(f, file)) {
    os_close(f);
    return Fault::kInputRead;
  }
  // Small reads (headers, tables, a row's first bytes) go through windows.
  listing->cache = ReadCache{};
  listing->cacheBytes.reset(static_cast<uint8_t*>(std::malloc(kCacheWindows * kCacheWindowBytes)));
  listing->cache.bytes = listing->cacheBytes.get();
  if (listing->cache.bytes != nullptr) file->cache = &listing->cache;
  return Fault::kNone;
}

bool ends_with(const char* s, const char* tail) {
  const size_t n = std::strlen(s), k = std::strlen(tail);
  return n >= k && std::strcmp(s + n - k, tail) == 0;
}

}  // namespace

// Lists the file's table, and searches its contents when it is of no known
// kind, its table does not fit or an entry lies outside it (a bare font
// often begins like a resource fork's header, a few bytes before a font
// like a database's), or carve asks for it.
Fault list_source(bool dfont_name, bool carve, const SearchProgress* progress, Listing* listing) {
  ResourceList list{};
  Fault kind_err = scan_resources(listing->source, dfont_name, &list);
  if (kind_err == Fault::kScanUnknown) {
    list = ResourceList{};
  } else if (kind_err == Fault::kScanDamaged) {
    listing->damage = kind_err;
  } else if (kind_err != Fault::kNone) {
    return kind_err;
  }
  for (size_t i = 0; i < list.count; ++i) carve = carve || list.entries[i].fault != EntryFault::kNone;
  carve = carve || kind_err != Fault::kNone || list.searchContents;
  listing->tableEntries = list.count;
  listing->searched = carve;
  if (carve) {
    FoundFonts found{};
    if (const Fault err = find_fonts(listing->source, kSearchBlockBytes, progress, &found); err != Fault::kNone) {
      return err;
    }
    if (kind_err != Fault::kNone && found.count == 0) return kind_err == Fault::kScanDamaged ? kind_err : Fault::kScanNoFont;
    if (const Fault add_err = add_found_entries(found, &list); add_err != Fault::kNone) return add_err;
  }
  return list_fonts(static_cast<ResourceList&&>(list), listing);
}

Fault list_file(const char* path, bool carve, const SearchProgress* progress, Listing* listing) {
  if (const Fault err = open_file(path, listing); err != Fault::kNone) return err;
  return list_source(ends_with(path, ".dfont"), carve, progress, listing);
}

void close_listing(Listing* listing) {
  os_close(listing->source.file);
  listing->source.file = kNoFile;
  listing->source.cache = nullptr;
  listing->cacheBytes.reset();
  listing->cache = ReadCache{};
}

Fault reopen_listing(Listing* listing) { return open_file(listing->file, listing); }
