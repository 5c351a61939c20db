// PPMd variant H: the sub-allocator, the model's growth and rescaling, and symbol decoding.
#include "archive/ppmd_model.h"

#include <cstring>
#include <utility>

namespace qmb::sevenzip::ppmd {

// The records that live in the model's memory. Units are reused for all three kinds, so they
// are declared as aliasing any other type.
struct __attribute__((may_alias)) State {
  uint8_t symbol;
  uint8_t freq;
  uint16_t successor_low;
  uint16_t successor_high;
};
struct __attribute__((may_alias)) Context {
  uint16_t num_stats;
  uint16_t summ_freq;  // with stats: the context's only State when num_stats == 1
  uint32_t stats;
  uint32_t suffix;
};
// A free block while the allocator glues neighbours together. A stamp of 0 marks it free: no
// context (num_stats >= 1) or statistics (first freq >= 1) starts with two zero bytes.
struct __attribute__((may_alias)) Node {
  uint16_t stamp;
  uint16_t nu;
  uint32_t next;  // the free list's link
  uint32_t prev;  // the glue pass's list
};
static_assert(sizeof(State) == 6 && sizeof(Context) == 12 && sizeof(Node) == 12);

namespace {

constexpr unsigned kIntBits = 7, kPeriodBits = 7, kBinScale = 1 << (kIntBits + kPeriodBits);
constexpr uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
constexpr uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

unsigned GetMean(unsigned prob) { return (prob + (1 << (kPeriodBits - 2))) >> kPeriodBits; }

Node* AsNode(void* p) { return static_cast<Node*>(p); }

}  // namespace

Context* Model::Ctx(uint32_t ref) const { return reinterpret_cast<Context*>(base_ + ref); }
State* Model::Stats(const Context* c) const { return reinterpret_cast<State*>(base_ + c->stats); }
State* Model::OneState(Context* c) { return reinterpret_cast<State*>(&c->summ_freq); }
uint32_t Model::Successor(const State* s) { return s->successor_low | uint32_t(s->successor_high) << 16; }
void Model::SetSuccessor(State* s, uint32_t v) {
  s->successor_low = static_cast<uint16_t>(v);
  s->successor_high = static_cast<uint16_t>(v >> 16);
}

Model::Model() {
  for (unsigned i = 0, k = 0; i < kNumIndexes; ++i) {
    unsigned step = i >= 12 ? 4 : (i >> 2) + 1;
    do units_to_index_[k++] = static_cast<uint8_t>(i);
    while (--step);
    index_to_units_[i] = static_cast<uint8_t>(k);
  }
  ns_to_bs_index_[0] = 0 << 1;
  ns_to_bs_index_[1] = 1 << 1;
  std::memset(ns_to_bs_index_ + 2, 2 << 1, 9);
  std::memset(ns_to_bs_index_ + 11, 3 << 1, 256 - 11);
  unsigned i = 0;
  for (; i < 3; ++i) ns_to_index_[i] = static_cast<uint8_t>(i);
  for (unsigned m = i, k = 1; i < 256; ++i) {
    ns_to_index_[i] = static_cast<uint8_t>(m);
    if (--k == 0) k = (++m) - 2;
  }
  std::memset(hb_to_flag_, 0, 0x40);
  std::memset(hb_to_flag_ + 0x40, 8, 0x100 - 0x40);
}

bool Model::Allocate(uint32_t size) {
  // Units start 4-byte aligned, and offset 0 is never a record, so 0 can stand for "none".
  align_offset_ = 4 - (size & 3);
  const bool ok = memory_.Allocate(size_t(align_offset_) + size + kUnitSize);
  base_ = memory_.data();
  size_ = ok ? size : 0;
  return ok;
}

void Model::InsertNode(void* node, unsigned index) {
  AsNode(node)->next = free_list_[index];
  free_list_[index] = Ref(node);
}

void* Model::RemoveNode(unsigned index) {
  Node* node = AsNode(base_ + free_list_[index]);
  free_list_[index] = node->next;
  return node;
}

void Model::SplitBlock(void* ptr, unsigned old_index, unsigned new_index) {
  const unsigned nu = I2U(old_index) - I2U(new_index);
  uint8_t* rest = static_cast<uint8_t*>(ptr) + I2U(new_index) * kUnitSize;
  unsigned i = U2I(nu);
  if (I2U(i) != nu) {
    const unsigned k = I2U(--i);
    InsertNode(rest + k * kUnitSize, nu - k - 1);
  }
  InsertNode(rest, i);
}

// Joins neighbouring free blocks and sorts the results back into the free lists. The order in
// which blocks are visited decides where later allocations land, so it is the encoder's order:
// the blocks of list 0 first, each list from its head, visited from the last one back.
void Model::GlueFreeBlocks() {
  glue_count_ = 255;
  if (lo_unit_ != hi_unit_) AsNode(lo_unit_)->stamp = 1;  // the gap between the unit areas
  uint32_t head = 0;
  for (unsigned i = 0; i < kNumIndexes; ++i) {
    const uint16_t nu = static_cast<uint16_t>(I2U(i));
    for (uint32_t next = free_list_[i]; next != 0;) {
      Node* node = AsNode(base_ + next);
      const uint32_t ref = next;
      next = node->next;
      node->stamp = 0;
      node->nu = nu;
      node->prev = head;
      head = ref;
    }
    free_list_[i] = 0;
  }
  for (uint32_t n = head; n != 0;) {
    Node* node = AsNode(base_ + n);
    n = node->prev;
    uint32_t nu = node->nu;
    if (nu == 0) continue;  // glued to a block before it
    for (;;) {
      Node* next = node + nu;
      nu += next->nu;
      if (next->stamp != 0 || nu >= 0x10000) break;
      node->nu = static_cast<uint16_t>(nu);
      next->nu = 0;
    }
  }
  for (uint32_t n = head; n != 0;) {
    Node* node = AsNode(base_ + n);
    n = node->prev;
    unsigned nu = node->nu;
    if (nu == 0) continue;
    for (; nu > 128; nu -= 128, node += 128) InsertNode(node, kNumIndexes - 1);
    unsigned i = U2I(nu);
    if (I2U(i) != nu) {
      const unsigned k = I2U(--i);
      InsertNode(node + k, nu - k - 1);
    }
    InsertNode(node, i);
  }
}

void* Model::AllocUnitsRare(unsigned index) {
  if (glue_count_ == 0) {
    GlueFreeBlocks();
    if (free_list_[index] != 0) return RemoveNode(index);
  }
  unsigned i = index;
  do {
    if (++i == kNumIndexes) {
      const uint32_t bytes = I2U(index) * kUnitSize;
      --glue_count_;
      if (static_cast<uint32_t>(units_start_ - text_) > bytes) return units_start_ -= bytes;
      return nullptr;
    }
  } while (free_list_[i] == 0);
  void* block = RemoveNode(i);
  SplitBlock(block, i, index);
  return block;
}

void* Model::AllocUnits(unsigned index) {
  if (free_list_[index] != 0) return RemoveNode(index);
  const uint32_t bytes = I2U(index) * kUnitSize;
  if (bytes <= static_cast<uint32_t>(hi_unit_ - lo_unit_)) {
    void* block = lo_unit_;
    lo_unit_ += bytes;
    return block;
  }
  return AllocUnitsRare(index);
}

void* Model::AllocContext() {
  if (hi_unit_ != lo_unit_) return hi_unit_ -= kUnitSize;
  if (free_list_[0] != 0) return RemoveNode(0);
  return AllocUnitsRare(0);
}

void* Model::ShrinkUnits(void* old_ptr, unsigned old_nu, unsigned new_nu) {
  const unsigned i0 = U2I(old_nu), i1 = U2I(new_nu);
  if (i0 == i1) return old_ptr;
  if (free_list_[i1] != 0) {
    void* ptr = RemoveNode(i1);
    std::memcpy(ptr, old_ptr, new_nu * kUnitSize);
    InsertNode(old_ptr, i0);
    return ptr;
  }
  SplitBlock(old_ptr, i0, i1);
  return old_ptr;
}

void Model::RestartModel() {
  std::memset(free_list_, 0, sizeof free_list_);
  text_ = base_ + align_offset_;
  hi_unit_ = text_ + size_;
  lo_unit_ = units_start_ = hi_unit_ - size_ / 8 / kUnitSize * 7 * kUnitSize;
  glue_count_ = 0;

  order_fall_ = max_order_;
  run_length_ = init_rl_ = -static_cast<int32_t>(max_order_ < 12 ? max_order_ : 12) - 1;
  prev_success_ = 0;

  hi_unit_ -= kUnitSize;
  min_context_ = max_context_ = reinterpret_cast<Context*>(hi_unit_);
  min_context_->suffix = 0;
  min_context_->num_stats = 256;
  min_context_->summ_freq = 256 + 1;
  found_state_ = reinterpret_cast<State*>(lo_unit_);
  lo_unit_ += (256 / 2) * kUnitSize;
  min_context_->stats = Ref(found_state_);
  for (unsigned i = 0; i < 256; ++i) {
    State* s = &found_state_[i];
    s->symbol = static_cast<uint8_t>(i);
    s->freq = 1;
    SetSuccessor(s, 0);
  }
  for (unsigned i = 0; i < 128; ++i)
    for (unsigned k = 0; k < 8; ++k) {
      const uint16_t value = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
      for (unsigned m = 0; m < 64; m += 8) bin_summ_[i][k + m] = value;
    }
  for (unsigned i = 0; i < 25; ++i)
    for (See& s : see_[i]) {
      s.shift = kPeriodBits - 4;
      s.summ = static_cast<uint16_t>((5 * i + 10) << s.shift);
      s.count = 4;
    }
}

void Model::Init(unsigned max_order) {
  max_order_ = max_order;
  RestartModel();
  dummy_see_.shift = kPeriodBits;
  dummy_see_.summ = 0;
  dummy_see_.count = 64;
}

// Gives the found symbol contexts of the orders between the current one and the highest, each
// with the symbol that followed it in the text as its only statistic.
Context* Model::CreateSuccessors(bool skip) {
  Context* c = min_context_;
  const uint32_t up_branch = Successor(found_state_);
  State* ps[kMaxOrder];
  unsigned num_ps = 0;
  if (!skip) ps[num_ps++] = found_state_;
  while (c->suffix) {
    c = Ctx(c->suffix);
    State* s;
    if (c->num_stats != 1) {
      for (s = Stats(c); s->symbol != found_state_->symbol; ++s) {
      }
    } else {
      s = OneState(c);
    }
    const uint32_t successor = Successor(s);
    if (successor != up_branch) {
      c = Ctx(successor);
      if (num_ps == 0) return c;
      break;
    }
    if (num_ps == kMaxOrder) return nullptr;  // deeper than any model grows
    ps[num_ps++] = s;
  }

  State up_state;
  up_state.symbol = base_[up_branch];
  SetSuccessor(&up_state, up_branch + 1);
  if (c->num_stats == 1) {
    up_state.freq = OneState(c)->freq;
  } else {
    State* s;
    for (s = Stats(c); s->symbol != up_state.symbol; ++s) {
    }
    const uint32_t cf = s->freq - 1u;
    const uint32_t s0 = c->summ_freq - c->num_stats - cf;
    if (s0 == 0 && cf != 0) return nullptr;  // would divide by zero: no encoder's model gets here
    up_state.freq =
        static_cast<uint8_t>(1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0))));
  }
  do {
    Context* c1 = static_cast<Context*>(AllocContext());
    if (!c1) return nullptr;
    c1->num_stats = 1;
    *OneState(c1) = up_state;
    c1->suffix = Ref(c);
    SetSuccessor(ps[--num_ps], Ref(c1));
    c = c1;
  } while (num_ps != 0);
  return c;
}

void Model::UpdateModel() {
  const uint8_t symbol = found_state_->symbol;
  uint32_t f_successor = Successor(found_state_);

  if (found_state_->freq < kMaxFreq / 4 && min_context_->suffix != 0) {
    Context* c = Ctx(min_context_->suffix);
    if (c->num_stats == 1) {
      State* s = OneState(c);
      if (s->freq < 32) ++s->freq;
    } else {
      State* s = Stats(c);
      if (s->symbol != symbol) {
        do ++s;
        while (s->symbol != symbol);
        if (s[0].freq >= s[-1].freq) {
          std::swap(s[0], s[-1]);
          --s;
        }
      }
      if (s->freq < kMaxFreq - 9) {
        s->freq += 2;
        c->summ_freq += 2;
      }
    }
  }

  if (order_fall_ == 0) {
    min_context_ = max_context_ = CreateSuccessors(true);
    if (!min_context_) return RestartModel();
    SetSuccessor(found_state_, Ref(min_context_));
    return;
  }

  *text_++ = symbol;
  uint32_t successor = Ref(text_);
  if (text_ >= units_start_) return RestartModel();

  if (f_successor) {
    if (f_successor <= successor) {  // still a position in the text: make it a context
      Context* cs = CreateSuccessors(false);
      if (!cs) return RestartModel();
      f_successor = Ref(cs);
    }
    if (--order_fall_ == 0) {
      successor = f_successor;
      text_ -= (max_context_ != min_context_);
    }
  } else {
    SetSuccessor(found_state_, successor);
    f_successor = Ref(min_context_);
  }

  const unsigned ns = min_context_->num_stats;
  const uint32_t s0 = min_context_->summ_freq - ns - (found_state_->freq - 1u);
  for (Context* c = max_context_; c != min_context_; c = Ctx(c->suffix)) {
    const unsigned ns1 = c->num_stats;
    if (ns1 != 1) {
      if ((ns1 & 1) == 0) {  // the statistics fill their units: grow by one
        const unsigned old_nu = ns1 >> 1;
        const unsigned i = U2I(old_nu);
        if (i != U2I(old_nu + 1)) {
          void* ptr = AllocUnits(i + 1);
          if (!ptr) return RestartModel();
          void* old_ptr = Stats(c);
          std::memcpy(ptr, old_ptr, old_nu * kUnitSize);
          InsertNode(old_ptr, i);
          c->stats = Ref(ptr);
        }
      }
      c->summ_freq = static_cast<uint16_t>(c->summ_freq + (2 * ns1 < ns) +
                                           2 * ((4 * ns1 <= ns) & (c->summ_freq <= 8 * ns1)));
    } else {
      State* s = static_cast<State*>(AllocUnits(0));
      if (!s) return RestartModel();
      *s = *OneState(c);
      c->stats = Ref(s);
      if (s->freq < kMaxFreq / 4 - 1)
        s->freq <<= 1;
      else
        s->freq = kMaxFreq - 4;
      c->summ_freq = static_cast<uint16_t>(s->freq + init_esc_ + (ns > 3));
    }
    uint32_t cf = 2 * uint32_t(found_state_->freq) * (c->summ_freq + 6u);
    const uint32_t sf = s0 + c->summ_freq;
    if (cf < 6 * sf) {
      cf = 1 + (cf > sf) + (cf >= 4 * sf);
      c->summ_freq = static_cast<uint16_t>(c->summ_freq + 3);
    } else {
      cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
      c->summ_freq = static_cast<uint16_t>(c->summ_freq + cf);
    }
    State* s = Stats(c) + ns1;
    SetSuccessor(s, successor);
    s->symbol = symbol;
    s->freq = static_cast<uint8_t>(cf);
    c->num_stats = static_cast<uint16_t>(ns1 + 1);
  }
  max_context_ = min_context_ = Ctx(f_successor);
}

// Halves the context's frequencies (the found symbol's first moved to the front), dropping
// symbols whose frequency falls to zero.
void Model::Rescale() {
  State* stats = Stats(min_context_);
  State* s = found_state_;
  {
    const State tmp = *s;
    for (; s != stats; --s) s[0] = s[-1];
    *s = tmp;
  }
  uint32_t esc_freq = min_context_->summ_freq - s->freq;
  s->freq += 4;
  const unsigned adder = order_fall_ != 0;
  s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
  uint32_t sum_freq = s->freq;

  unsigned i = min_context_->num_stats - 1u;
  do {
    esc_freq -= (++s)->freq;
    s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
    sum_freq += s->freq;
    if (s[0].freq > s[-1].freq) {
      State* s1 = s;
      const State tmp = *s1;
      do s1[0] = s1[-1];
      while (--s1 != stats && tmp.freq > s1[-1].freq);
      *s1 = tmp;
    }
  } while (--i);

  if (s->freq == 0) {
    const unsigned num_stats = min_context_->num_stats;
    do ++i;
    while ((--s)->freq == 0);
    esc_freq += i;
    min_context_->num_stats = static_cast<uint16_t>(num_stats - i);
    if (min_context_->num_stats == 1) {
      State tmp = *stats;
      do {
        tmp.freq = static_cast<uint8_t>(tmp.freq - (tmp.freq >> 1));
        esc_freq >>= 1;
      } while (esc_freq > 1);
      InsertNode(stats, U2I((num_stats + 1) >> 1));
      *(found_state_ = OneState(min_context_)) = tmp;
      return;
    }
    const unsigned n0 = (num_stats + 1) >> 1, n1 = (min_context_->num_stats + 1u) >> 1;
    if (n0 != n1) min_context_->stats = Ref(ShrinkUnits(stats, n0, n1));
  }
  min_context_->summ_freq = static_cast<uint16_t>(sum_freq + esc_freq - (esc_freq >> 1));
  found_state_ = Stats(min_context_);
}

void Model::NextContext() {
  const uint32_t successor = Successor(found_state_);
  if (order_fall_ == 0 && successor > Ref(text_))
    min_context_ = max_context_ = Ctx(successor);
  else
    UpdateModel();
}

// After a symbol other than the first of a context's statistics.
void Model::Update1() {
  State* s = found_state_;
  s->freq += 4;
  min_context_->summ_freq += 4;
  if (s[0].freq > s[-1].freq) {
    std::swap(s[0], s[-1]);
    found_state_ = --s;
    if (s->freq > kMaxFreq) Rescale();
  }
  NextContext();
}

// After the first symbol of a context's statistics.
void Model::Update1First() {
  prev_success_ = 2u * found_state_->freq > min_context_->summ_freq;
  AddRun(prev_success_);
  min_context_->summ_freq += 4;
  if ((found_state_->freq += 4) > kMaxFreq) Rescale();
  NextContext();
}

// After a symbol found in a context we escaped to.
void Model::Update2() {
  found_state_->freq += 4;
  min_context_->summ_freq += 4;
  if (found_state_->freq > kMaxFreq) Rescale();
  run_length_ = init_rl_;
  UpdateModel();
}

// After the symbol of a one-symbol context.
void Model::UpdateBin() {
  found_state_->freq = static_cast<uint8_t>(found_state_->freq + (found_state_->freq < 128 ? 1 : 0));
  prev_success_ = 1;
  AddRun(1);
  NextContext();
}

uint16_t* Model::BinSumm() {
  State* s = OneState(min_context_);
  hi_bits_flag_ = hb_to_flag_[found_state_->symbol];
  return &bin_summ_[s->freq - 1u][prev_success_ + ns_to_bs_index_[Ctx(min_context_->suffix)->num_stats - 1u] +
                                  hi_bits_flag_ + 2 * hb_to_flag_[s->symbol] + ((run_length_ >> 26) & 0x20)];
}

// The escape frequency of a context whose first num_masked symbols were already excluded.
Model::See* Model::MakeEscFreq(unsigned num_masked, uint32_t& esc_freq) {
  const unsigned num_stats = min_context_->num_stats;
  if (num_stats == 256) {
    esc_freq = 1;
    return &dummy_see_;
  }
  const unsigned non_masked = num_stats - num_masked;
  See* see = see_[ns_to_index_[non_masked - 1]] +
             (non_masked < static_cast<unsigned>(Ctx(min_context_->suffix)->num_stats) - num_stats) +
             2 * unsigned(min_context_->summ_freq < 11 * num_stats) + 4 * unsigned(num_masked > non_masked) +
             hi_bits_flag_;
  const unsigned r = see->summ >> see->shift;
  see->summ = static_cast<uint16_t>(see->summ - r);
  esc_freq = r + (r == 0);
  return see;
}

// Inlined into DecodeSymbols: a call per symbol would cost as much as a symbol's own fast path.
__attribute__((always_inline)) inline int Model::DecodeSymbol(RangeDecoder& rc) {
  int8_t mask[256];  // -1: the symbol may still come; 0: excluded by a context already tried
  if (min_context_->num_stats != 1) {
    State* s = Stats(min_context_);
    const uint32_t count = rc.GetThreshold(min_context_->summ_freq);
    uint32_t hi_cnt = s->freq;
    if (count < hi_cnt) {
      rc.Decode(0, s->freq);
      found_state_ = s;
      const uint8_t symbol = s->symbol;
      Update1First();
      return symbol;
    }
    prev_success_ = 0;
    unsigned i = min_context_->num_stats - 1u;
    do {
      if ((hi_cnt += (++s)->freq) > count) {
        rc.Decode(hi_cnt - s->freq, s->freq);
        found_state_ = s;
        const uint8_t symbol = s->symbol;
        Update1();
        return symbol;
      }
    } while (--i);
    if (count >= min_context_->summ_freq) return -2;
    hi_bits_flag_ = hb_to_flag_[found_state_->symbol];
    rc.Decode(hi_cnt, min_context_->summ_freq - hi_cnt);
    std::memset(mask, -1, sizeof mask);
    mask[s->symbol] = 0;
    i = min_context_->num_stats - 1u;
    do mask[(--s)->symbol] = 0;
    while (--i);
  } else {
    uint16_t* prob = BinSumm();
    if (rc.DecodeBit(*prob, kBinScale) == 0) {
      *prob = static_cast<uint16_t>(*prob + (1 << kIntBits) - GetMean(*prob));
      found_state_ = OneState(min_context_);
      const uint8_t symbol = found_state_->symbol;
      UpdateBin();
      return symbol;
    }
    *prob = static_cast<uint16_t>(*prob - GetMean(*prob));
    init_esc_ = kExpEscape[*prob >> 10];
    std::memset(mask, -1, sizeof mask);
    mask[OneState(min_context_)->symbol] = 0;
    prev_success_ = 0;
  }
  for (;;) {
    State* ps[256];
    const unsigned num_masked = min_context_->num_stats;
    do {
      ++order_fall_;
      if (!min_context_->suffix) return -1;
      min_context_ = Ctx(min_context_->suffix);
    } while (min_context_->num_stats == num_masked);
    uint32_t hi_cnt = 0;
    State* s = Stats(min_context_);
    State* const end = s + min_context_->num_stats;
    const unsigned num = min_context_->num_stats - num_masked;
    unsigned i = 0;
    do {
      const int k = mask[s->symbol];
      hi_cnt += s->freq & k;
      ps[i] = s++;
      i -= k;
    } while (i != num && s != end);
    if (i == 0) return -2;  // nothing left to code: no encoder's model gets here

    uint32_t freq_sum = 0;
    See* see = MakeEscFreq(num_masked, freq_sum);
    freq_sum += hi_cnt;
    const uint32_t count = rc.GetThreshold(freq_sum);
    if (count < hi_cnt) {
      State** pps = ps;
      for (hi_cnt = 0; (hi_cnt += (*pps)->freq) <= count; ++pps) {
      }
      s = *pps;
      rc.Decode(hi_cnt - s->freq, s->freq);
      if (see->shift < kPeriodBits && --see->count == 0) {
        see->summ = static_cast<uint16_t>(see->summ << 1);
        see->count = static_cast<uint8_t>(3 << see->shift++);
      }
      found_state_ = s;
      const uint8_t symbol = s->symbol;
      Update2();
      return symbol;
    }
    if (count >= freq_sum) return -2;
    rc.Decode(hi_cnt, freq_sum - hi_cnt);
    see->summ = static_cast<uint16_t>(see->summ + freq_sum);
    do mask[ps[--i]->symbol] = 0;
    while (i != 0);
  }
}

bool Model::DecodeSymbols(RangeDecoder& rc, uint8_t* out, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    const int symbol = DecodeSymbol(rc);
    if (symbol < 0) return false;
    out[i] = static_cast<uint8_t>(symbol);
  }
  return true;
}

bool RangeDecoder::Init() {
  uint8_t first = 0;
  if (!in_.NextByte(first) || first != 0) return false;
  for (int i = 0; i < 4; ++i) code_ = code_ << 8 | NextByte();
  return !overrun_ && code_ < 0xFFFFFFFFu;
}

}  // namespace qmb::sevenzip::ppmd
