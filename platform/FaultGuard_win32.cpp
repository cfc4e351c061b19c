// SPDX-License-Identifier: MIT
// The fault guard on Win32: structured exceptions turned into a return from the guard.
#include "platform/FaultGuard.h"

#include "platform/win32.h"

#if defined(_MSC_VER)

// The device's compilers have structured exception handling: a processor fault is an
// exception that __except catches. C++ exceptions are taken first by catch (...), in a
// separate function because one function cannot hold both kinds of handler.
namespace {
bool call_catching_throws(GuardedCall call, void* context)
{
    try {
        call(context);
        return true;
    } catch (...) {
        return false;
    }
}
}  // namespace

bool RunGuarded(GuardedCall call, void* context)
{
    __try {
        return call_catching_throws(call, context);
    } __except (EXCEPTION_EXECUTE_HANDLER) {
        return false;
    }
}

#elif defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

// GCC has no __try, so the guard registers a frame-based handler of its own, as __try does.
// The system offers it an exception only after every deeper frame of the same thread has
// declined it: a call that handles its own faults keeps them, a fault of another thread
// never comes here, and every exception code is taken, RaiseException's included. Before it
// returns into the guard the handler runs the unwind, as __except does, so that the frames
// between the fault and the guard (system code reached through SendMessageW, a __finally)
// clean up: on 64-bit RtlUnwindEx itself resumes the guard's frame, on 32-bit RtlUnwind
// returns to the handler, which jumps back with __builtin_longjmp (registers only: the CRT's
// longjmp would unwind a second time).
namespace {

// Exception flags of an unwind pass, which only asks frames to clean up.
const DWORD kUnwindFlags = 0x2 | 0x4;  // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND

struct GuardFrame {
#if defined(__i386__)
    // The 32-bit handler record, linked into the thread's chain. It comes first, so the
    // handler's establisher frame is the guard frame itself.
    EXCEPTION_REGISTRATION_RECORD registration;
#endif
    // The thread's chain of handler records when the guard began. The dispatcher links a
    // record of its own while it calls a handler (Wine does so on 64-bit too); the return
    // into the guard past the dispatcher may leave it behind, so the chain is put back.
    EXCEPTION_REGISTRATION_RECORD* chain;
#if defined(__i386__)
    void* jump[5];
#endif
};

// The thread's information block, through its own address in it (NtCurrentTeb, without the
// array-bounds warning that GCC gives for a segment read at offset 0).
NT_TIB* thread_block()
{
    NT_TIB* block;
#if defined(__x86_64__)
    __asm__("movq %%gs:0x30, %0" : "=r"(block));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(block));
#endif
    return block;
}

}  // namespace

// Runs the call; a C++ throw ends here. Called from the frame that carries the handler.
extern "C" __attribute__((used, noinline)) bool linkory_guard_invoke(GuardedCall call, void* context)
{
    try {
        call(context);
        return true;
    } catch (...) {
        return false;
    }
}

#if defined(__x86_64__)
// Where the unwind resumes the guard's frame (linkory_guard_enter, below).
extern "C" void linkory_guard_resume();
#endif

extern "C" __attribute__((used)) EXCEPTION_DISPOSITION NTAPI linkory_guard_handler(EXCEPTION_RECORD* record,
                                                                                  PVOID establisher,
                                                                                  CONTEXT* context, PVOID)
{
    if (record->ExceptionFlags & kUnwindFlags)
        return ExceptionContinueSearch;
#if defined(__x86_64__)
    // Back in linkory_guard_enter's frame after the call, with false for its result; the
    // guard puts the chain back.
    RtlUnwindEx(establisher, reinterpret_cast<PVOID>(&linkory_guard_resume), record, NULL, context, NULL);
    return ExceptionContinueSearch;  // not reached: the unwind does not return
#else
    (void)context;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    RtlUnwind(&frame->registration, NULL, record, NULL);
    thread_block()->ExceptionList = frame->chain;
    __builtin_longjmp(frame->jump, 1);
#endif
}

#if defined(__x86_64__)
// 64-bit handlers come from the unwind tables: a small function whose table names the
// guard's handler, between the guard and the call. Its frame: home space for the callee. The
// unwind resumes at linkory_guard_resume with the frame as it was during the call.
extern "C" bool linkory_guard_enter(GuardedCall call, void* context);
__asm__(
    "\t.text\n"
    "\t.p2align 4\n"
    "\t.def linkory_guard_enter; .scl 3; .type 32; .endef\n"
    "\t.seh_proc linkory_guard_enter\n"
    "linkory_guard_enter:\n"
    "\tsubq $40, %rsp\n"
    "\t.seh_stackalloc 40\n"
    "\t.seh_endprologue\n"
    "\t.seh_handler linkory_guard_handler, @except\n"
    "\tcall linkory_guard_invoke\n"
    "\tnop\n"
    "\tjmp 1f\n"
    "\t.globl linkory_guard_resume\n"
    "linkory_guard_resume:\n"
    "\txorl %eax, %eax\n"
    "1:\n"
    "\taddq $40, %rsp\n"
    "\tret\n"
    "\t.seh_endproc\n");
#endif

namespace {

#if defined(__x86_64__)
bool run_frame(GuardFrame*, GuardedCall call, void* context)
{
    return linkory_guard_enter(call, context);
}
#else
__attribute__((noinline)) bool run_frame(GuardFrame* frame, GuardedCall call, void* context)
{
    volatile bool completed = false;
    if (__builtin_setjmp(frame->jump) == 0) {
        thread_block()->ExceptionList = &frame->registration;
        completed = linkory_guard_invoke(call, context);
    }
    return completed;
}
#endif

}  // namespace

bool RunGuarded(GuardedCall call, void* context)
{
    GuardFrame frame;
    frame.chain = thread_block()->ExceptionList;
#if defined(__i386__)
    frame.registration.Next = frame.chain;
    frame.registration.Handler = linkory_guard_handler;
#endif
    bool completed = run_frame(&frame, call, context);
    // After a normal return and after the jump alike, the chain is what it was before.
    thread_block()->ExceptionList = frame.chain;
    return completed;
}

#else
#error "No fault guard for this compiler and processor"
#endif
