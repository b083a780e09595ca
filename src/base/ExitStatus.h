#pragma once

// The exit status of every program of ours that runs a command, told in
// the help and the manual pages:
//   0  done;
//   1  failed: a failure was reported after something may have changed;
//   2  nothing was done: refused before anything was written, declined,
//      nothing found, or a command line that was not taken.

namespace rf {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNothing = 2;

}  // namespace rf
