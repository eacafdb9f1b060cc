#include "font/cp932.h"

#include <algorithm>

int32_t cp932_unicode(int lead, int trail) {
  if (!is_cp932_lead(lead) || trail < 0x40 || trail > 0xFC) return -1;
  const int row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0xA0 - 0x81);
  const uint16_t c = kCp932[row][trail - 0x40];
  return c == 0 ? -1 : c;
}

bool cp932_canonical(int lead, int trail) {
  const auto code = static_cast<uint16_t>(lead << 8 | trail);
  return !std::binary_search(kCp932Duplicates, kCp932Duplicates + kCp932DuplicateCount, code);
}
