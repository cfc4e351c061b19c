// SPDX-License-Identifier: MIT
// The fault guard on POSIX hosts: fault signals turned into a jump back to the guard.
#include "platform/FaultGuard.h"

#include <cxxabi.h>
#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <stddef.h>
#include <string.h>

namespace {

const int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
const int kSignalCount = sizeof(kFaultSignals) / sizeof(kFaultSignals[0]);

struct GuardFrame {
    sigjmp_buf jump;
    GuardFrame* outer;
};

// The innermost guard of this thread. volatile: the handler reads it behind the
// compiler's back, so the store before the guarded call must never be dropped.
// initial-exec: reading it from the handler must not allocate, even in a dlopen'ed module.
__attribute__((tls_model("initial-exec"))) __thread GuardFrame* volatile innermost = NULL;

// The handlers are ours only while some guard is running, so a module that is unloaded
// later leaves no handler pointing into unmapped code.
pthread_mutex_t installLock = PTHREAD_MUTEX_INITIALIZER;
int activeGuards = 0;
struct sigaction previous[kSignalCount];

int signal_index(int sig)
{
    for (int i = 0; i < kSignalCount; ++i)
        if (kFaultSignals[i] == sig)
            return i;
    return -1;
}

// A fault outside every guard goes where it would have gone without us.
void pass_on(int sig, siginfo_t* info, void* ucontext)
{
    int index = signal_index(sig);
    if (index < 0)
        return;
    const struct sigaction& before = previous[index];
    if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != NULL) {
        before.sa_sigaction(sig, info, ucontext);
        return;
    }
    // A signal someone sent on purpose may be ignored; a real fault cannot be, since
    // returning would only run the faulting instruction again.
    bool sentByProcess = info != NULL && info->si_code <= 0;
    if (before.sa_handler == SIG_IGN && sentByProcess)
        return;
    if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(sig);
        return;
    }
    struct sigaction fallback;
    memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, NULL);
    raise(sig);  // delivered with the default action once this handler returns
}

void on_fault(int sig, siginfo_t* info, void* ucontext)
{
    GuardFrame* frame = innermost;
    if (frame != NULL)
        siglongjmp(frame->jump, sig);
    pass_on(sig, info, ucontext);
}

bool is_ours(const struct sigaction& action)
{
    return (action.sa_flags & SA_SIGINFO) != 0 && action.sa_sigaction == on_fault;
}

// Holds installLock for the rest of the enclosing scope.
class InstallLockHold {
public:
    InstallLockHold() { pthread_mutex_lock(&installLock); }
    ~InstallLockHold() { pthread_mutex_unlock(&installLock); }

private:
    InstallLockHold(const InstallLockHold&);
    InstallLockHold& operator=(const InstallLockHold&);
};

void acquire_handlers()
{
    InstallLockHold hold;
    if (activeGuards++ > 0)
        return;
    struct sigaction ours;
    memset(&ours, 0, sizeof ours);
    ours.sa_sigaction = on_fault;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&ours.sa_mask);
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kFaultSignals[i], &ours, &previous[i]);
}

void release_handlers()
{
    InstallLockHold hold;
    if (--activeGuards > 0)
        return;
    for (int i = 0; i < kSignalCount; ++i) {
        // Someone who replaced our handler meanwhile keeps theirs.
        struct sigaction current;
        memset(&current, 0, sizeof current);
        if (sigaction(kFaultSignals[i], NULL, &current) == 0 && is_ours(current))
            sigaction(kFaultSignals[i], &previous[i], NULL);
    }
}

}  // namespace

bool RunGuarded(GuardedCall call, void* context)
{
    GuardFrame frame;
    frame.outer = innermost;
    acquire_handlers();
    volatile bool completed = false;
    // Saving the signal mask lets the jump out of the handler unblock the fault signal.
    if (sigsetjmp(frame.jump, 1) == 0) {
        innermost = &frame;
        try {
            call(context);
            completed = true;
        } catch (abi::__forced_unwind&) {
            // Thread cancellation must finish unwinding; it is not a fault.
            innermost = frame.outer;
            release_handlers();
            throw;
        } catch (...) {
        }
    }
    innermost = frame.outer;
    release_handlers();
    return completed;
}
