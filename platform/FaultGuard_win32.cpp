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

// GCC has no __try. A vectored handler sees a fault first; it rewrites the faulting
// context so that execution resumes in recover(), which jumps back into the guard.
// __builtin_setjmp/__builtin_longjmp restore registers only: the CRT's longjmp would
// start an unwind through frames that the fault has already abandoned.
#include <intrin.h>

namespace {

struct GuardFrame {
    void* jump[5];
    GuardFrame* outer;
#if defined(__i386__)
    DWORD sehHead;  // the 32-bit exception-registration chain lives on the stack
#endif
};

// A plain volatile global: mingw's emulated thread-local storage read from inside the
// handler failed. The plug-in runs on the host's user-interface thread only.
GuardFrame* volatile innermost = NULL;
volatile LONG activeGuards = 0;
PVOID handlerCookie = NULL;

bool is_processor_fault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
        return true;
    default:
        // C++ throws (0x20474343) go on to the guard's catch (...); a stack overflow
        // leaves no stack to recover on.
        return false;
    }
}

__attribute__((noreturn, noinline)) void recover()
{
    GuardFrame* frame = innermost;
#if defined(__i386__)
    __writefsdword(0, frame->sehHead);
#endif
    __builtin_longjmp(frame->jump, 1);
}

LONG CALLBACK on_exception(EXCEPTION_POINTERS* info)
{
    if (innermost == NULL || !is_processor_fault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT* context = info->ContextRecord;
    // Resume in recover() as if it had been called: aligned stack, room for a return
    // address, and well below whatever the faulting function was using.
#if defined(__x86_64__)
    DWORD64 sp = (context->Rsp - 256) & ~static_cast<DWORD64>(15);
    context->Rsp = sp - 8;
    context->Rip = reinterpret_cast<DWORD64>(&recover);
#else
    DWORD sp = (context->Esp - 256) & ~static_cast<DWORD>(15);
    context->Esp = sp - 4;
    context->Eip = reinterpret_cast<DWORD>(&recover);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The handler is registered only while a guard runs, so an unloaded module leaves none.
void acquire_handler()
{
    if (activeGuards++ == 0)
        handlerCookie = AddVectoredExceptionHandler(1, on_exception);
}

void release_handler()
{
    if (--activeGuards == 0 && handlerCookie != NULL) {
        RemoveVectoredExceptionHandler(handlerCookie);
        handlerCookie = NULL;
    }
}

bool run_frame(GuardFrame* frame, GuardedCall call, void* context)
{
    volatile bool completed = false;
    if (__builtin_setjmp(frame->jump) == 0) {
        innermost = frame;
        try {
            call(context);
            completed = true;
        } catch (...) {
        }
    }
    return completed;
}

}  // namespace

bool RunGuarded(GuardedCall call, void* context)
{
    GuardFrame frame;
    frame.outer = innermost;
#if defined(__i386__)
    frame.sehHead = __readfsdword(0);
#endif
    acquire_handler();
    bool completed = run_frame(&frame, call, context);
    innermost = frame.outer;
    release_handler();
    return completed;
}

#else
#error "No fault guard for this compiler and processor"
#endif
