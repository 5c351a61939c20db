// Block-wise section readers. Blocks do not overlap: both readers search each block on its own.
// A block is read in pieces of growing size, only as far as a search needs: the marks of a small
// section lie near the front or the end of a block, and reading all of a 15 MB block for them cost
// every start of a package from a slow drive or a network share.
#include "startup/section_reader.h"

#include <algorithm>
#include <memory>

#include "base/marked_section.h"
#include "context/context.h"

namespace qmb {
namespace {

constexpr std::string_view kSignature{"7z\xBC\xAF\x27\x1C\x00", 7};

// Opens the file and takes its size; a file that reads as empty is no package at all.
std::unique_ptr<FileStream> OpenSized(Context& ctx, const std::string& path, uint64_t& size) {
  auto in = ctx.platform.files.OpenRead(path);
  size = in ? in->Size() : 0;
  if (!in || size == 0) {
    ctx.log.Failure("section reader: cannot read " + path);
    return nullptr;
  }
  return in;
}

std::string ReadAt(FileStream& in, uint64_t offset, uint64_t size) {
  std::string data(size, '\0');
  if (!in.Seek(offset)) return {};
  size_t done = 0;
  while (done < size) {
    const size_t n = in.Read(data.data() + done, size - done);
    if (n == 0) break;
    done += n;
  }
  data.resize(done);
  return data;
}

constexpr size_t kFirstPiece = 64 * 1024;

// The bytes of one block from its front, read on demand. Find sees exactly the block's bytes (or
// what of them could be read), so it finds what a search of the whole block finds.
class ForwardBlock {
 public:
  ForwardBlock(FileStream& in, uint64_t start, uint64_t size)
      : in_(in), start_(start), size_(size) {}

  // The block offset of the first pattern at or after from; npos when the block holds none.
  size_t Find(const std::string& pattern, size_t from) {
    for (;;) {
      const size_t hit = data_.find(pattern, from);
      if (hit != std::string::npos || done_) return hit;
      Grow();
    }
  }
  const std::string& Whole() {
    while (!done_) Grow();
    return data_;
  }

 private:
  void Grow() {
    const uint64_t want =
        std::min<uint64_t>(size_ - data_.size(), std::max(kFirstPiece, data_.size()));
    const std::string piece = ReadAt(in_, start_ + data_.size(), want);
    data_ += piece;
    done_ = piece.size() < want || data_.size() == size_;
  }

  FileStream& in_;
  const uint64_t start_;
  const uint64_t size_;
  std::string data_;
  bool done_ = false;
};

// The bytes of one block from its end, read on demand; data_ holds the block's last bytes, from
// block offset first_ on.
class BackwardBlock {
 public:
  BackwardBlock(FileStream& in, uint64_t start, uint64_t size)
      : in_(in), start_(start), size_(size), first_(size) {}

  uint64_t size() const { return size_; }
  // The block offset of the last pattern that ends at or before block offset end; npos when the
  // block holds none.
  size_t FindLast(const std::string& pattern, uint64_t end) {
    for (;;) {
      if (end >= first_ + pattern.size()) {
        const size_t hit = data_.rfind(pattern, end - pattern.size() - first_);
        if (hit != std::string::npos) return static_cast<size_t>(first_ + hit);
      }
      if (first_ == 0) return std::string::npos;
      const uint64_t want = std::min<uint64_t>(first_, std::max(kFirstPiece, data_.size()));
      const std::string piece = ReadAt(in_, start_ + first_ - want, want);
      // A piece cut short would leave a gap before the bytes already held.
      if (piece.size() < want) return std::string::npos;
      data_.insert(0, piece);
      first_ -= want;
    }
  }

 private:
  FileStream& in_;
  const uint64_t start_;
  const uint64_t size_;
  uint64_t first_;
  std::string data_;
};

bool WriteFrom(FileStream& out, const std::string& bytes, size_t from) {
  return out.Write(bytes.data() + from, bytes.size() - from);
}

// The payload file: a fresh temp name with ".7zqmb", holding one 0x00 byte.
std::unique_ptr<FileStream> MakePayloadFile(Context& ctx) {
  Files& files = ctx.platform.files;
  const std::string name = NewTempName(ctx);
  if (name.empty()) {
    ctx.log.Failure("section reader: no free temp name for the payload file");
    return nullptr;
  }
  const std::string path = name + ".7zqmb";
  ctx.startup.archive_path = path;
  if (!files.WriteAll(path, std::string(1, '\0'))) {
    ctx.log.Failure("section reader: cannot make the payload file " + path);
    return nullptr;
  }
  ctx.log.Step("section reader: payload file " + path);
  return files.OpenWrite(path, false);
}

}  // namespace

std::string NewTempName(Context& ctx) {
  Files& files = ctx.platform.files;
  return ctx.temp_names.Next(ctx.platform.env.TempFolder(), ctx.platform.env.TickCount(),
                             [&files](const std::string& p) { return files.Exists(p); });
}

std::string ReadSectionForward(Context& ctx, const std::string& path, std::string_view open_mark,
                               std::string_view close_mark, const SectionProgress& progress,
                               bool file_mode, uint64_t block_size) {
  uint64_t size = 0;
  auto in = OpenSized(ctx, path, size);
  if (!in) return {};
  const std::string open = SectionPattern(open_mark);
  const std::string close = SectionPattern(close_mark);
  std::unique_ptr<FileStream> out;
  if (file_mode && !(out = MakePayloadFile(ctx))) return {};

  bool opened = false;
  uint64_t open_offset = 0;
  for (uint64_t start = 0; start < size; start += block_size) {
    ForwardBlock block(*in, start, std::min(block_size, size - start));
    size_t close_from = 0;
    if (!opened) {
      const size_t hit = block.Find(open, 0);
      if (hit != std::string::npos) {
        opened = true;
        open_offset = start + hit;
        close_from = hit + open.size();
        if (out && !WriteFrom(*out, block.Whole(), hit)) {
          ctx.log.Failure("section reader: cannot write the payload file");
          return {};
        }
      }
    } else if (out && !WriteFrom(*out, block.Whole(), 0)) {
      ctx.log.Failure("section reader: cannot write the payload file");
      return {};
    }
    if (opened) {
      const size_t hit = block.Find(close, close_from);
      if (hit != std::string::npos) {
        if (file_mode) return {};
        const uint64_t content = open_offset + open.size();
        return ReadAt(*in, content, start + hit - content);
      }
    }
    if (progress) {
      ctx.platform.dialogs.ProcessPendingMessages();
      progress(static_cast<int>((start + 1) * 100 / size));
    }
  }
  ctx.log.Failure("section reader: section " + std::string(open_mark) + " not found in " + path);
  return {};
}

std::string ReadSectionBackward(Context& ctx, const std::string& path, std::string_view close_mark,
                                std::string_view open_mark, uint64_t block_size) {
  uint64_t size = 0;
  auto in = OpenSized(ctx, path, size);
  if (!in) return {};
  const std::string close = SectionPattern(close_mark);
  const std::string open = SectionPattern(open_mark);
  bool closed = false;
  uint64_t close_offset = 0;
  for (uint64_t end = size; end > 0; end = end > block_size ? end - block_size : 0) {
    const uint64_t start = end > block_size ? end - block_size : 0;
    BackwardBlock block(*in, start, end - start);
    uint64_t open_end = block.size();
    if (!closed) {
      const size_t hit = block.FindLast(close, block.size());
      if (hit == std::string::npos) continue;
      closed = true;
      close_offset = start + hit;
      open_end = hit;
    }
    const size_t hit = block.FindLast(open, open_end);
    if (hit != std::string::npos) {
      const uint64_t content = start + hit + open.size();
      return ReadAt(*in, content, close_offset - content);
    }
  }
  ctx.log.Failure("section reader: section " + std::string(open_mark) + " not found in " + path);
  return {};
}

bool RepairArchiveSignature(Context& ctx, const std::string& path, uint64_t offset) {
  auto in = ctx.platform.files.OpenRead(path);
  if (!in) {
    ctx.log.Failure("signature repair: cannot read " + path);
    return false;
  }
  const std::string head = ReadAt(*in, 0, kSignature.size() + 1);
  in.reset();
  if (head.starts_with(kSignature) ||
      (!head.empty() && std::string_view(head).substr(1).starts_with(kSignature))) {
    return true;
  }
  auto out = ctx.platform.files.OpenWrite(path, false);
  if (!out || !out->Seek(offset) || !out->Write("7z", 2)) {
    ctx.log.Failure("signature repair: cannot write " + path);
    return false;
  }
  ctx.log.Step("signature repair: " + path + " at " + std::to_string(offset));
  return true;
}

}  // namespace qmb
