// Builds the decoder chain of one folder: each coder's inputs come from pack streams or from the
// outputs of other coders (bind pairs); the result is the folder's main output as one Source.
#pragma once

#include "archive/coder.h"
#include "archive/coder_aes.h"
#include "archive/decode_share.h"
#include "archive/sz_header.h"

namespace qmb::sevenzip {

struct FolderInput {
  InStream* stream = nullptr;
  uint64_t pack_offset = 0;  // absolute offset of the folder's first pack stream
  const uint64_t* pack_sizes = nullptr;  // the folder's pack streams' sizes
  const std::u16string* password = nullptr;
  AesKeyCache* keys = nullptr;
  DecodeShare* share = nullptr;  // threads and memory a decoder may take to split its stream
};

// The folder's main output, exactly folder.unpack_size() bytes long; null with error set when a
// method is unknown or its properties are out of bounds.
std::unique_ptr<Source> OpenFolder(const Folder& folder, const FolderInput& input, Error& error);

// The working memory the folder's decoders take (dictionaries, models, buffers), estimated from
// their properties without opening anything; decoding folders side by side is budgeted with it.
uint64_t FolderMemory(const Folder& folder);

}  // namespace qmb::sevenzip
