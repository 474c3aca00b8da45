#include "app/CrashGuard.h"

#include "app/CrashReporter.h"
#include "app/DebugLog.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// A report that hangs on a lock the fault left held must not keep a dead process alive.
constexpr unsigned kReportSeconds = 10;

thread_local uintptr_t tStackLow = 0;
// The handler runs on its own stack so that a stack overflow can be reported too.
thread_local std::unique_ptr<char[]> tAltStack;
constexpr size_t kAltStackSize = 512 * 1024;

std::once_flag sInstalled;
std::atomic<bool> sReporting{false};

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

// Installed with SA_RESETHAND: on entry the signal's action is the default again, so the
// signal raised at the end (delivered when the handler returns) ends the process.
void handleFault(int aSignal, siginfo_t* aInfo, void* aContext)
{
    // One report per process: a fault in another thread meanwhile just ends it.
    if (!sReporting.exchange(true)) {
        alarm(kReportSeconds);
        uint32_t code = CrashReporter::codeForSignal(aSignal, aInfo->si_code);
        if (aSignal == SIGSEGV && tStackLow != 0) {
            const auto address = reinterpret_cast<uintptr_t>(aInfo->si_addr);
            if (address < tStackLow + 64 * 1024 && address + 1024 * 1024 > tStackLow)
                code = CrashReporter::kStackOverflow;
        }
        CrashReporter::instance().collect(code, faultingInstruction(aContext));
        logCrashReport();
    }
    std::signal(aSignal, SIG_DFL);
    raise(aSignal);
}

void installHandlers()
{
    struct sigaction action {};
    action.sa_sigaction = handleFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

// An alternate signal stack for the calling thread, so that its stack overflow is reported.
void prepareThread()
{
    if (tAltStack)
        return;
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

} // namespace

void CrashGuard::installFaultHandlers()
{
    std::call_once(sInstalled, installHandlers);
    prepareThread();
}

bool CrashGuard::run(const std::function<void()>& aWork)
{
    installFaultHandlers();
    try {
        aWork();
    } catch (...) {
        CrashReporter::instance().collect(CrashReporter::kCppException, nullptr);
        logCrashReport();
        return false;
    }
    return true;
}
