#pragma once

// From the first write of an update to its end, a request to end the
// process (Ctrl-C, the terminal going away, a polite kill, and on Windows
// the console's close button) must not cut the write: on a real unit that
// is a power cut made by the person. While a guard lives such requests are
// only noted, and the program tells the person from its normal flow that
// the update ends by itself. SIGKILL and power loss remain; they are what
// the journal and the valid marks are for.

namespace rf {

class CInterruptGuard {
public:
    CInterruptGuard();
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

    // True once: when a request came since the guard was made and has not
    // been told yet.
    bool TakeNewRequest() {
        if (!AnyRequest() || m_bTold) {
            return false;
        }
        m_bTold = true;
        return true;
    }
    // Whether any request came while the guard lived.
    bool AnyRequest() const;

private:
    bool m_bTold = false;
};

}  // namespace rf
