/* A QEMU user-mode plugin that counts the guest instructions every translation block executes and,
   when the program exits, prints one line per block start address: "<hex address> <instructions>",
   most first. Built against the plugin interface of version 1 (QEMU 4.2 to 8.x), of which it
   declares only what it calls. */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>

typedef uint64_t plugin_id;
struct qemu_plugin_tb;
typedef struct {
  const char* target_name;
  struct {
    int min, cur;
  } version;
  _Bool system_emulation;
} plugin_info;

void qemu_plugin_register_vcpu_tb_trans_cb(plugin_id id, void (*cb)(plugin_id, struct qemu_plugin_tb*));
void qemu_plugin_register_vcpu_tb_exec_inline(struct qemu_plugin_tb* tb, int op, void* ptr, uint64_t imm);
void qemu_plugin_register_atexit_cb(plugin_id id, void (*cb)(plugin_id, void*), void* userdata);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb* tb);
uint64_t qemu_plugin_tb_vaddr(const struct qemu_plugin_tb* tb);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

struct block {
  uint64_t address, executed; /* executed: instructions, added inline on every run of the block */
};
static struct block** blocks;
static size_t count, capacity;

static void translated(plugin_id id, struct qemu_plugin_tb* tb) {
  (void)id;
  if (count == capacity) {
    capacity = capacity ? capacity * 2 : 4096;
    blocks = realloc(blocks, capacity * sizeof *blocks);
    if (!blocks) abort();
  }
  struct block* b = calloc(1, sizeof *b);
  if (!b) abort();
  b->address = qemu_plugin_tb_vaddr(tb);
  blocks[count++] = b;
  qemu_plugin_register_vcpu_tb_exec_inline(tb, 0 /* add u64 */, &b->executed, qemu_plugin_tb_n_insns(tb));
}

static int by_address(const void* a, const void* b) {
  const struct block *x = *(struct block* const*)a, *y = *(struct block* const*)b;
  return x->address < y->address ? -1 : x->address > y->address;
}
static int by_count(const void* a, const void* b) {
  const struct block *x = *(struct block* const*)a, *y = *(struct block* const*)b;
  return x->executed > y->executed ? -1 : x->executed < y->executed;
}

static void report(plugin_id id, void* userdata) {
  (void)id, (void)userdata;
  /* A block translated again (after a flush) counts once, under its address. */
  qsort(blocks, count, sizeof *blocks, by_address);
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (kept > 0 && blocks[kept - 1]->address == blocks[i]->address)
      blocks[kept - 1]->executed += blocks[i]->executed;
    else
      blocks[kept++] = blocks[i];
  }
  qsort(blocks, kept, sizeof *blocks, by_count);
  for (size_t i = 0; i < kept && blocks[i]->executed > 0; ++i)
    fprintf(stderr, "insn %" PRIx64 " %" PRIu64 "\n", blocks[i]->address, blocks[i]->executed);
}

__attribute__((visibility("default"))) int qemu_plugin_install(plugin_id id, const plugin_info* info, int argc,
                                                               char** argv) {
  (void)info, (void)argc, (void)argv;
  qemu_plugin_register_vcpu_tb_trans_cb(id, translated);
  qemu_plugin_register_atexit_cb(id, report, NULL);
  return 0;
}
