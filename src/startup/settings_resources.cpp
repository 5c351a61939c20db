// Resource references and their one-pass replacement.
#include "startup/settings_resources.h"

#include <algorithm>

#include "base/value_store.h"

namespace qmb {

std::optional<std::string> ResourceData(std::string_view records, std::string_view reference) {
  auto data = StoreFind(records, reference);
  if (!data) return std::string();
  if (*data == kStoreEmptyValue) return std::nullopt;
  return data;
}

std::string ReplaceReferences(std::string_view text, const std::vector<ResourceReference>& refs) {
  struct Hit {
    size_t pos;
    const ResourceReference* ref;
  };
  std::vector<Hit> hits;
  for (const ResourceReference& ref : refs) {
    if (ref.text.empty()) continue;
    for (size_t pos = text.find(ref.text); pos != std::string_view::npos;
         pos = text.find(ref.text, pos + ref.text.size()))
      hits.push_back(Hit{pos, &ref});
  }
  if (hits.empty()) return std::string(text);
  // By position; where two references start at the same place the longer one is the whole match.
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
    if (a.pos != b.pos) return a.pos < b.pos;
    return a.ref->text.size() > b.ref->text.size();
  });
  std::string out;
  size_t done = 0;
  for (const Hit& hit : hits) {
    if (hit.pos < done) continue;  // overlaps text already replaced
    out.append(text.substr(done, hit.pos - done)).append(hit.ref->data);
    done = hit.pos + hit.ref->text.size();
  }
  out.append(text.substr(done));
  return out;
}

}  // namespace qmb
