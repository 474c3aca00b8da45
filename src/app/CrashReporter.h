#pragma once

#include <QMap>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Turns a processor fault (or a C++ exception) inside a guarded region into a readable report in
// the trace log. Holds the data of the last collected fault only.
class CrashReporter
{
public:
    struct Frame
    {
        std::string function;
        std::string file;
        int line = 0;
    };

    // Windows-style codes that Linux signals are mapped onto.
    static constexpr uint32_t kAccessViolation = 0xC0000005;
    static constexpr uint32_t kDatatypeMisalignment = 0x80000002;
    static constexpr uint32_t kBreakpoint = 0x80000003;
    static constexpr uint32_t kInPageError = 0xC0000006;
    static constexpr uint32_t kIllegalInstruction = 0xC000001D;
    static constexpr uint32_t kPrivInstruction = 0xC0000096;
    static constexpr uint32_t kIntDivideByZero = 0xC0000094;
    static constexpr uint32_t kStackOverflow = 0xC00000FD;
    // A C++ exception, as Windows reports it; not in the table of names.
    static constexpr uint32_t kCppException = 0xE06D7363;
    // abort(): a fatal application exit; not in the table of names.
    static constexpr uint32_t kFatalAppExit = 0x40000015;

    static constexpr int kMaxFrames = 6;

    static CrashReporter& instance();
    CrashReporter();

    // Records aCode and the raw addresses of the stack starting at aFaultAddress (null: the
    // caller's stack). Runs inside a signal handler, so it neither allocates nor locks; the
    // addresses get their names in resolveFrames. Returns 1, as an exception filter that wants
    // its handler run.
    int collect(uint32_t aCode, void* aFaultAddress);
    // Turns the collected addresses into frames with names, files and lines (allocates; call
    // it once the signal handler has been left).
    void resolveFrames();
    // Records aCode with the given frames (used by tests and for C++ exceptions).
    void setLast(uint32_t aCode, std::vector<Frame> aFrames);

    std::string report() const;

    uint32_t exceptionCode() const { return mExceptionCode; }
    const std::vector<Frame>& frames() const { return mFrames; }
    uint16_t machineType() const { return mMachineType; }
    const QMap<uint32_t, std::string>& exceptionNames() const { return mExceptionNames; }

    // Maps a Linux signal and its si_code onto the code table.
    static uint32_t codeForSignal(int aSignal, int aSiCode);

private:
    uint32_t mExceptionCode = 0;
    std::array<void*, kMaxFrames> mAddresses{};
    size_t mAddressCount = 0;
    // collect has run and resolveFrames has not.
    bool mResolvePending = false;
    std::vector<Frame> mFrames;
    QMap<uint32_t, std::string> mExceptionNames;
    uint16_t mMachineType = 0;
};

// Builds the report of the last collected fault and writes it as one log message. Never waits
// long for the log's lock: when it cannot be had (the faulting work held it, or another thread
// keeps it), a fixed line says so instead.
void logCrashReport();
