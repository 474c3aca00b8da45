#include "app/CrashGuard.h"

#include "app/CrashReporter.h"
#include "app/DebugLog.h"

#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <ucontext.h>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

struct GuardFrame
{
    sigjmp_buf env;
    GuardFrame* previous = nullptr;
};

thread_local GuardFrame* tCurrentGuard = nullptr;
thread_local uintptr_t tStackLow = 0;
// The handler runs on its own stack so that a stack overflow can be reported too.
thread_local std::unique_ptr<char[]> tAltStack;
constexpr size_t kAltStackSize = 512 * 1024;

struct sigaction sPrevious[NSIG];
std::once_flag sInstalled;

void* faultingInstruction(void* aContext)
{
#if defined(__x86_64__)
    return reinterpret_cast<void*>(static_cast<ucontext_t*>(aContext)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return reinterpret_cast<void*>(static_cast<ucontext_t*>(aContext)->uc_mcontext.gregs[REG_EIP]);
#else
    (void)aContext;
    return nullptr;
#endif
}

void handleFault(int aSignal, siginfo_t* aInfo, void* aContext)
{
    GuardFrame* guard = tCurrentGuard;
    if (!guard) {
        // Not inside guarded work: behave as if we had never been installed.
        sigaction(aSignal, &sPrevious[aSignal], nullptr);
        if (aSignal == SIGABRT)
            raise(aSignal);
        return; // the faulting instruction runs again under the previous disposition
    }
    uint32_t code = CrashReporter::codeForSignal(aSignal, aInfo->si_code);
    if (aSignal == SIGSEGV && tStackLow != 0) {
        const auto address = reinterpret_cast<uintptr_t>(aInfo->si_addr);
        if (address < tStackLow + 64 * 1024 && address + 1024 * 1024 > tStackLow)
            code = CrashReporter::kStackOverflow;
    }
    CrashReporter::instance().collect(code, faultingInstruction(aContext));
    tCurrentGuard = guard->previous;
    siglongjmp(guard->env, 1);
}

void installHandlers()
{
    struct sigaction action {};
    action.sa_sigaction = handleFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, &sPrevious[signal]);
}

void prepareThread()
{
    if (!tAltStack) {
        tAltStack = std::make_unique<char[]>(kAltStackSize);
        stack_t stack {};
        stack.ss_sp = tAltStack.get();
        stack.ss_size = kAltStackSize;
        sigaltstack(&stack, nullptr);
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            void* low = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attributes, &low, &size) == 0)
                tStackLow = reinterpret_cast<uintptr_t>(low);
            pthread_attr_destroy(&attributes);
        }
    }
}

} // namespace

bool CrashGuard::run(const std::function<void()>& aWork)
{
    std::call_once(sInstalled, installHandlers);
    prepareThread();

    GuardFrame guard;
    guard.previous = tCurrentGuard;
    // The signal mask is not saved: that costs a system call for every guarded track. The
    // handler runs with SA_NODEFER and an empty mask, so leaving it by siglongjmp leaves the
    // mask as it was; the fault signals are unblocked all the same, should the work have
    // blocked them.
    if (sigsetjmp(guard.env, 0) != 0) {
        sigset_t faults;
        sigemptyset(&faults);
        for (int signal : kSignals)
            sigaddset(&faults, signal);
        pthread_sigmask(SIG_UNBLOCK, &faults, nullptr);
        logCrashReport();
        return false;
    }
    tCurrentGuard = &guard;
    try {
        aWork();
    } catch (...) {
        tCurrentGuard = guard.previous;
        CrashReporter::instance().collect(CrashReporter::kCppException, nullptr);
        logCrashReport();
        return false;
    }
    tCurrentGuard = guard.previous;
    return true;
}
