#include "app/CrashReporter.h"

#include "app/DebugLog.h"

#include <backward.hpp>

#include <csignal>
#include <cstring>
#include <sys/utsname.h>

namespace {

uint16_t machineTypeOfThisHost()
{
    utsname name {};
    if (uname(&name) != 0)
        return 0;
    if (std::strcmp(name.machine, "x86_64") == 0)
        return 0x8664;
    if (std::strcmp(name.machine, "i386") == 0 || std::strcmp(name.machine, "i686") == 0)
        return 0x014C;
    return 0; // no stack walk elsewhere
}

} // namespace

CrashReporter& CrashReporter::instance()
{
    static CrashReporter reporter;
    return reporter;
}

CrashReporter::CrashReporter() : mMachineType(machineTypeOfThisHost())
{
    mExceptionNames = {
        {0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},
        {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
        {0x80000003, "EXCEPTION_BREAKPOINT"},
        {0x80000004, "EXCEPTION_SINGLE_STEP"},
        {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
        {0xC000008D, "EXCEPTION_FLT_DENORMAL_OPERAND"},
        {0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
        {0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT"},
        {0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
        {0xC0000091, "EXCEPTION_FLT_OVERFLOW"},
        {0xC0000092, "EXCEPTION_FLT_STACK_CHECK"},
        {0xC0000093, "EXCEPTION_FLT_UNDERFLOW"},
        {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
        {0xC0000095, "EXCEPTION_INT_OVERFLOW"},
        {0xC0000096, "EXCEPTION_PRIV_INSTRUCTION"},
        {0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
        {0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION"},
        {0xC0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
        {0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
        {0xC0000026, "EXCEPTION_INVALID_DISPOSITION"},
        {0x80000001, "EXCEPTION_GUARD_PAGE"},
        {0xC0000008, "EXCEPTION_INVALID_HANDLE"},
    };
}

uint32_t CrashReporter::codeForSignal(int aSignal, int aSiCode)
{
    switch (aSignal) {
    case SIGSEGV:
        return kAccessViolation;
    case SIGBUS:
        return aSiCode == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
    case SIGILL:
        return (aSiCode == ILL_PRVOPC || aSiCode == ILL_PRVREG) ? kPrivInstruction
                                                                : kIllegalInstruction;
    case SIGTRAP:
        return kBreakpoint;
    case SIGABRT:
        return kFatalAppExit;
    case SIGFPE:
        switch (aSiCode) {
        case FPE_INTDIV:
            return 0xC0000094;
        case FPE_INTOVF:
            return 0xC0000095;
        case FPE_FLTDIV:
            return 0xC000008E;
        case FPE_FLTOVF:
            return 0xC0000091;
        case FPE_FLTUND:
            return 0xC0000093;
        case FPE_FLTRES:
            return 0xC000008F;
        case FPE_FLTSUB:
            return 0xC000008C;
        default:
            return 0xC0000090;
        }
    default:
        return 0;
    }
}

int CrashReporter::collect(uint32_t aCode, void* aFaultAddress)
{
    mExceptionCode = aCode;
    mAddressCount = 0;
    // mFrames is replaced in resolveFrames: freeing memory here could wait for a heap lock
    // that the faulting code holds.
    mResolvePending = true;
    if (mMachineType == 0)
        return 1;

    // The walk into a fixed array; frames before the faulting instruction (this function and
    // the signal handler) are not kept.
    constexpr size_t kWalkDepth = 64;
    std::array<void*, kWalkDepth> walk{};
    const size_t depth = backward::details::unwind(
        [&walk](size_t aIndex, void* aAddress) { walk[aIndex] = aAddress; }, kWalkDepth);
    size_t first = std::min<size_t>(1, depth); // this function
    if (aFaultAddress) {
        const auto fault = reinterpret_cast<uintptr_t>(aFaultAddress);
        for (size_t i = 0; i < depth; ++i) {
            const auto address = reinterpret_cast<uintptr_t>(walk[i]);
            if (address + 16 >= fault && address <= fault + 16) {
                first = i;
                break;
            }
        }
    }
    for (size_t i = first; i < depth && mAddressCount < mAddresses.size(); ++i)
        mAddresses[mAddressCount++] = walk[i];
    return 1;
}

void CrashReporter::resolveFrames()
{
    if (!mResolvePending)
        return;
    mResolvePending = false;
    mFrames.clear();
    if (mAddressCount == 0)
        return;
    backward::TraceResolver resolver;
    resolver.load_addresses(mAddresses.data(), int(mAddressCount));
    mFrames.clear();
    for (size_t i = 0; i < mAddressCount; ++i) {
        const backward::ResolvedTrace resolved =
            resolver.resolve(backward::ResolvedTrace(backward::Trace(mAddresses[i], i)));
        Frame frame;
        frame.function = resolved.source.function.empty() ? resolved.object_function
                                                          : resolved.source.function;
        frame.file = resolved.source.filename;
        frame.line = int(resolved.source.line);
        mFrames.push_back(std::move(frame));
    }
}

void CrashReporter::setLast(uint32_t aCode, std::vector<Frame> aFrames)
{
    mExceptionCode = aCode;
    mAddressCount = 0;
    mResolvePending = false;
    mFrames = std::move(aFrames);
}

std::string CrashReporter::report() const
{
    std::string text;
    const auto name = mExceptionNames.constFind(mExceptionCode);
    if (name != mExceptionNames.constEnd())
        text += "Exception: " + name.value() + "\r\n";
    else
        text += "Unknown Exception...\r\n";
    text += std::string(66, '-') + "\r\n";
    for (const Frame& frame : mFrames) {
        text += "Function : " + (frame.function.empty() ? "UnkownFunction" : frame.function)
                + "\r\n";
        text += "    [Source File : " + (frame.file.empty() ? "UnkownFile" : frame.file) + "]\r\n";
        text += "    [Source Line : " + std::to_string(frame.line) + "]\r\n";
    }
    return text;
}

void logCrashReport()
{
    DebugLog& log = DebugLog::instance();
    if (!log.isOpen())
        return;
    CrashReporter& reporter = CrashReporter::instance();
    reporter.resolveFrames();
    // Another thread's line is over in moments; a lock this thread holds is never released.
    constexpr int kLockWaitMsecs = 200;
    if (!log.tryWriteLine("    ", QByteArray::fromStdString(reporter.report()), kLockWaitMsecs))
        log.writeFixedLine("Crash report not written: the trace log was in use");
    log.releaseIfHeldByThisThread();
}
