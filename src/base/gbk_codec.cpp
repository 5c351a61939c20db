// GBK conversions: MultiByteToWideChar with code page 936 on Windows, iconv elsewhere.
#include "base/gbk_codec.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace qmb {

#ifdef _WIN32

std::u16string GbkToUtf16(std::string_view gbk) {
  if (gbk.empty()) return {};
  int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  auto w = reinterpret_cast<const wchar_t*>(utf16.data());
  int len = static_cast<int>(utf16.size());
  int n = WideCharToMultiByte(936, 0, w, len, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, w, len, out.data(), n, nullptr, nullptr);
  return out;
}

static std::string Utf16ToUtf8(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  auto w = reinterpret_cast<const wchar_t*>(utf16.data());
  int len = static_cast<int>(utf16.size());
  int n = WideCharToMultiByte(CP_UTF8, 0, w, len, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, len, out.data(), n, nullptr, nullptr);
  return out;
}

static std::u16string Utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string GbkToUtf8(std::string_view gbk) { return Utf16ToUtf8(GbkToUtf16(gbk)); }
std::string Utf8ToGbk(std::string_view utf8) { return Utf16ToGbk(Utf8ToUtf16(utf8)); }

#else

namespace {

// Converts with iconv; bytes that do not convert become replacement (one "?" per failing unit).
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view bad,
                    size_t bad_step) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dst_left = out.size() - used;
      continue;
    }
    // An unconvertible or incomplete sequence: emit the replacement and skip one unit.
    size_t step = bad_step < src_left ? bad_step : src_left;
    src += step;
    src_left -= step;
    if (dst_left < bad.size()) {
      size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2 + bad.size());
      dst = out.data() + used;
      dst_left = out.size() - used;
    }
    for (char c : bad) { *dst++ = c; --dst_left; }
  }
  iconv_close(cd);
  out.resize(static_cast<size_t>(dst - out.data()));
  return out;
}

}  // namespace

std::u16string GbkToUtf16(std::string_view gbk) {
  return Utf16FromLittleEndian(Convert("UTF-16LE", "CP936", gbk, std::string_view("?\0", 2), 1));
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t c : utf16) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return Convert("CP936", "UTF-16LE", bytes, "?", 2);
}

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "CP936", gbk, "?", 1); }
std::string Utf8ToGbk(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8, "?", 1); }

#endif

std::u16string Utf16FromLittleEndian(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n;
    if (c < 0x80) n = 0;
    else if ((c & 0xE0) == 0xC0) n = 1;
    else if ((c & 0xF0) == 0xE0) n = 2;
    else if ((c & 0xF8) == 0xF0) n = 3;
    else return false;
    if (n > text.size() - i - 1) return false;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace qmb
