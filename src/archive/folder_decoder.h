// Builds the decoder chain of one folder: each coder's inputs come from pack streams or from the
// outputs of other coders (bind pairs); the result is the folder's main output as one Source.
#pragma once

#include "archive/coder.h"
#include "archive/coder_aes.h"
#include "archive/decode_share.h"
#include "archive/filter.h"
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

// A folder's chain in two stages. When its last coder is a cheap filter (a branch converter or
// Delta) over another coder, `decode` is everything below the filter and `filter` the filter, so a
// worker decoding the folder ahead can leave the filter to the thread that reads the folder;
// otherwise `decode` is the whole chain and `filter` null. `decode` is null with error set where
// OpenFolder fails.
struct FolderStages {
  std::unique_ptr<Source> decode;
  uint64_t decode_size = 0;  // the bytes `decode` yields (with a filter: the coder below it)
  std::unique_ptr<Converter> filter;
  uint64_t size = 0;  // the folder's main output
};
FolderStages OpenFolderStages(const Folder& folder, const FolderInput& input, Error& error);

// The folder's main output from the decoded bytes of its stages: the filter put back over them.
std::unique_ptr<Source> FinishFolder(FolderStages& stages, std::unique_ptr<Source> decoded);

// True when the folder stores its bytes, maybe behind a filter (every coder is Copy, a branch
// converter or Delta): reading it costs little more than copying its bytes, so decoding it ahead on
// another thread would only add a copy and fresh memory to copy into.
bool FolderIsStored(const Folder& folder);

// The working memory the folder's decoders take (dictionaries, models, buffers), estimated from
// their properties without opening anything; decoding folders side by side is budgeted with it.
uint64_t FolderMemory(const Folder& folder);

}  // namespace qmb::sevenzip
