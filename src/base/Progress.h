#pragma once

// How far a long device operation has come: a range and a position in it.
// The device and programming layers report through this alone, so they
// need not know whether a progress bar, a terminal line or nothing at all
// is behind it. Ranges may start below zero.

namespace rf {

class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void SetRange32(int nLower, int nUpper) = 0;
    // Returns the previous position.
    virtual int SetPos(int nPos) = 0;
    // The state must be shown now: a command that blocks for long follows.
    virtual void UpdateWindow() = 0;
};

}  // namespace rf
