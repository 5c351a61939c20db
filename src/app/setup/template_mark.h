// The template identification mark of the runtime image. It decides nothing; packaging tools and
// people look for it in the image, so it must stand there verbatim as one GBK text.
#pragma once

namespace qmb {

inline constexpr char kTemplateMark[] = "★柯叶模版标识—传统界面模版—☆";

}  // namespace qmb
