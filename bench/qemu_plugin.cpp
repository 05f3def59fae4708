// A TCG plugin for qemu-user that counts the guest instructions run between two marker calls of
// the program (dehex_trace_on, dehex_trace_off: see decode_file.cpp), and with trace=FILE also
// writes the address of each of them, one hexadecimal number a line, up to limit=N of them.
//   qemu-aarch64 -plugin build/bench/libqemu_plugin.so,trace=t.txt,limit=100000 prog args...
// It prints "instructions N" on standard error when the program exits.
//
// Debian's qemu-user is built with plugins but ships no plugin header, so the few calls used
// here are declared as QEMU 7.2 defines them (plugin API version 1, still current in 8.x).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {

using qemu_plugin_id_t = uint64_t;
struct qemu_info_t;
struct qemu_plugin_tb;
struct qemu_plugin_insn;
enum qemu_plugin_op { QEMU_PLUGIN_INLINE_ADD_U64 };
enum qemu_plugin_cb_flags { QEMU_PLUGIN_CB_NO_REGS };
using qemu_plugin_vcpu_tb_trans_cb_t = void (*)(qemu_plugin_id_t, qemu_plugin_tb*);
using qemu_plugin_vcpu_udata_cb_t = void (*)(unsigned int vcpu_index, void* userdata);
using qemu_plugin_udata_cb_t = void (*)(qemu_plugin_id_t, void* userdata);

void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t, qemu_plugin_vcpu_tb_trans_cb_t);
void qemu_plugin_register_vcpu_tb_exec_inline(qemu_plugin_tb*, qemu_plugin_op, void* ptr, uint64_t imm);
void qemu_plugin_register_vcpu_insn_exec_cb(qemu_plugin_insn*, qemu_plugin_vcpu_udata_cb_t,
                                            qemu_plugin_cb_flags, void* userdata);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t, qemu_plugin_udata_cb_t, void* userdata);
size_t qemu_plugin_tb_n_insns(const qemu_plugin_tb*);
qemu_plugin_insn* qemu_plugin_tb_get_insn(const qemu_plugin_tb*, size_t idx);
uint64_t qemu_plugin_insn_vaddr(const qemu_plugin_insn*);
const char* qemu_plugin_insn_symbol(const qemu_plugin_insn*);

}  // extern "C"

namespace {

// Every instruction run, counted a translated block at a time where the block is entered; the
// markers read it, so only the span between them is reported.
uint64_t executed = 0;
uint64_t counted = 0;
uint64_t since = 0;
bool on = false;

FILE* trace = nullptr;
uint64_t limit = 1000000;
std::vector<uint64_t> addresses;

// The count of a block is added as it is entered, so both markers' own instructions (a return)
// count: a constant instruction or two per run.
void trace_on(unsigned, void*)
{
    since = executed;
    on = true;
}

void trace_off(unsigned, void*)
{
    if (on)
        counted += executed - since;
    on = false;
}

void record(unsigned, void* vaddr)
{
    if (on && addresses.size() < limit)
        addresses.push_back(reinterpret_cast<uintptr_t>(vaddr));
}

void translated(qemu_plugin_id_t, qemu_plugin_tb* tb)
{
    const size_t n = qemu_plugin_tb_n_insns(tb);
    qemu_plugin_register_vcpu_tb_exec_inline(tb, QEMU_PLUGIN_INLINE_ADD_U64, &executed, n);
    for (size_t i = 0; i < n; ++i) {
        qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        // A marker is a function of one block, entered only by its call.
        const char* symbol = i == 0 ? qemu_plugin_insn_symbol(insn) : nullptr;
        if (symbol != nullptr && std::strcmp(symbol, "dehex_trace_on") == 0)
            qemu_plugin_register_vcpu_insn_exec_cb(insn, trace_on, QEMU_PLUGIN_CB_NO_REGS, nullptr);
        if (symbol != nullptr && std::strcmp(symbol, "dehex_trace_off") == 0)
            qemu_plugin_register_vcpu_insn_exec_cb(insn, trace_off, QEMU_PLUGIN_CB_NO_REGS, nullptr);
        if (trace != nullptr) {
            const uintptr_t vaddr = qemu_plugin_insn_vaddr(insn);
            qemu_plugin_register_vcpu_insn_exec_cb(insn, record, QEMU_PLUGIN_CB_NO_REGS,
                                                   reinterpret_cast<void*>(vaddr));
        }
    }
}

void at_exit(qemu_plugin_id_t, void*)
{
    std::fprintf(stderr, "instructions %llu\n", static_cast<unsigned long long>(counted));
    if (trace != nullptr) {
        for (uint64_t a : addresses)
            std::fprintf(trace, "%llx\n", static_cast<unsigned long long>(a));
        std::fclose(trace);
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t*,
                                                                int argc, char** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "trace=", 6) == 0) {
            trace = std::fopen(argv[i] + 6, "w");
            if (trace == nullptr) {
                std::perror(argv[i] + 6);
                return 1;
            }
        } else if (std::strncmp(argv[i], "limit=", 6) == 0) {
            limit = std::strtoull(argv[i] + 6, nullptr, 10);
        } else {
            std::fprintf(stderr, "qemu_plugin: unknown argument %s\n", argv[i]);
            return 1;
        }
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, translated);
    qemu_plugin_register_atexit_cb(id, at_exit, nullptr);
    return 0;
}

}  // extern "C"
