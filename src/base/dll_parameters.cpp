// Parameter texts of support-DLL calls.
#include "base/dll_parameters.h"

#include "base/text.h"

namespace qmb {

std::string ConvertMessageText(std::string_view readable) {
  std::string text = ReplaceAllGbk(readable, "……", "\r\n");
  text = ReplaceAllGbk(text, "，", kDllFieldSeparator);
  return ReplaceAll(text, "\r\n", kDllItemSeparator);
}

std::vector<DllParameter> ParseDllParameters(std::string_view text) {
  std::vector<DllParameter> items;
  for (const std::string& item : Split(text, kDllItemSeparator)) {
    const std::vector<std::string> fields = Split(item, kDllFieldSeparator);
    DllParameter p;
    if (!fields.empty()) p.label = fields[0];
    if (fields.size() > 1) p.type = fields[1];
    // The value is the rest: it may hold the separator itself.
    const size_t head = p.label.size() + p.type.size() + 2 * std::string_view(kDllFieldSeparator).size();
    if (fields.size() > 2) p.value = item.substr(head);
    items.push_back(std::move(p));
  }
  return items;
}

std::string JoinDllParameters(const std::vector<DllParameter>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += kDllItemSeparator;
    text += items[i].label + kDllFieldSeparator + items[i].type + kDllFieldSeparator +
            items[i].value;
  }
  return text;
}

DllArguments BuildDllArguments(const std::vector<DllParameter>& items,
                               std::deque<std::string>& kept) {
  DllArguments slots{};
  for (size_t k = 0; k < items.size() && k < slots.size(); ++k) {
    const DllParameter& p = items[k];
    if (p.type == kDllTypeInteger) {
      slots[k] = static_cast<intptr_t>(ToInt(p.value));
    } else if (p.type == kDllTypeText || p.type == kDllTypeBytes) {
      kept.push_back(p.value);
      slots[k] = reinterpret_cast<intptr_t>(kept.back().c_str());
    }
  }
  return slots;
}

}  // namespace qmb
