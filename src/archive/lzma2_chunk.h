// The chunk header of an LZMA2 stream: a control byte, then sizes and a properties byte. Read by
// the decoder, and by the splitting decoder that looks for dictionary resets without decoding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmb::sevenzip {

struct Lzma2Chunk {
  bool end = false;               // the end mark: nothing follows
  bool stored = false;            // bytes copied as they stand
  bool reset_dictionary = false;  // nothing before this chunk is referred to
  bool reset_state = false;
  bool new_props = false;  // `props` holds lc, lp and pb
  uint8_t props = 0;
  uint32_t unpack_size = 0;
  uint32_t pack_size = 0;  // bytes after the header (a stored chunk's equal its unpacked size)
};

// Length of the header that starts with `control`; 0 when no chunk starts with that byte.
inline size_t Lzma2HeaderSize(uint8_t control) {
  if (control == 0) return 1;
  if (control < 3) return 3;
  if (control < 0x80) return 0;
  return control >= 0xC0 ? 6 : 5;
}

// header: Lzma2HeaderSize(header[0]) bytes, that length not 0.
inline Lzma2Chunk ParseLzma2Header(const uint8_t* header) {
  Lzma2Chunk chunk;
  const uint8_t control = header[0];
  if (control == 0) {
    chunk.end = true;
  } else if (control < 0x80) {
    chunk.stored = true;
    chunk.reset_dictionary = control == 1;
    chunk.unpack_size = chunk.pack_size = (uint32_t(header[1]) << 8 | header[2]) + 1;
  } else {
    const int mode = (control >> 5) & 3;
    chunk.reset_dictionary = mode == 3;
    chunk.reset_state = mode > 0;
    chunk.new_props = mode >= 2;
    if (chunk.new_props) chunk.props = header[5];
    chunk.unpack_size = ((uint32_t(control & 0x1F) << 16) | uint32_t(header[1]) << 8 | header[2]) + 1;
    chunk.pack_size = (uint32_t(header[3]) << 8 | header[4]) + 1;
  }
  return chunk;
}

}  // namespace qmb::sevenzip
