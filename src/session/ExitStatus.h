#pragma once

// The exit status of every program of ours that runs a command: 0 done,
// 1 a failure was reported, 2 nothing was done.

namespace rf {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNothing = 2;

}  // namespace rf
