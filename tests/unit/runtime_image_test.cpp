// Looks for the template mark, as one run of GBK bytes, in the runtime image of the Windows build.
// Exit 0 when found, 1 when missing, 77 (skipped) when the image has not been built.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/setup/template_mark.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: runtime_image_test SETUP_EXE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::printf("skipped: %s is not built (make win32)\n", argv[1]);
    return 77;
  }
  const std::string image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string mark = qmb::kTemplateMark;
  if (image.find(mark) == std::string::npos) {
    std::printf("%s: the template mark (%zu GBK bytes) is not in the image\n", argv[1], mark.size());
    return 1;
  }
  std::printf("%s: template mark found\n", argv[1]);
  return 0;
}
