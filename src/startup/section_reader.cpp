// Block-wise section readers. Blocks do not overlap: both readers search each block on its own.
#include "startup/section_reader.h"

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
    const std::string block = ReadAt(*in, start, std::min(block_size, size - start));
    size_t close_from = 0;
    if (!opened) {
      const size_t hit = block.find(open);
      if (hit != std::string::npos) {
        opened = true;
        open_offset = start + hit;
        close_from = hit + open.size();
        if (out && !out->Write(block.data() + hit, block.size() - hit)) {
          ctx.log.Failure("section reader: cannot write the payload file");
          return {};
        }
      }
    } else if (out && !out->Write(block.data(), block.size())) {
      ctx.log.Failure("section reader: cannot write the payload file");
      return {};
    }
    if (opened) {
      const size_t hit = block.find(close, close_from);
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
    const std::string block = ReadAt(*in, start, end - start);
    size_t open_before = block.size();
    if (!closed) {
      const size_t hit = block.rfind(close);
      if (hit == std::string::npos) continue;
      closed = true;
      close_offset = start + hit;
      open_before = hit;
    }
    if (open_before < open.size()) continue;
    const size_t hit = block.rfind(open, open_before - open.size());
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
