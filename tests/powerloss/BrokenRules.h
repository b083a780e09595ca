#pragma once

// Copies of the program that break one of its safety rules, made by
// rewriting its commands in flight: before the enclosure sees a command,
// and in the answer the program reads back, so that the program goes on as
// if nothing had changed. The power-loss harness must report each of them.

#include "device/DevicePort.h"

namespace rf::test::powerloss {

// Forgets what the rewriting learnt of a run; called before every run.
void ResetBrokenRules();
// Whether the rewriting has changed anything since.
bool RuleBroken();

// SEEPROM(Host) marked valid with its first block instead of last.
void MarkHostValidFirst(ScsiRequest& request);
void HideEarlyHostMark(const ScsiRequest& request);

// The bridge image's magic programmed first within the first block on the
// ROM path (byte-programming parts): the first four bytes programmed there
// change places with the four of the magic.
void ProgramBridgeMagicFirst(ScsiRequest& request);
void ShowBridgeBytesAsProgrammed(const ScsiRequest& request);

// The resource data's magic written with its first page instead of after
// the verification.
void WriteResourceMagicFirst(ScsiRequest& request);
void HideEarlyResourceMagic(const ScsiRequest& request);

// The front panel's information block not journaled: the kept copy is gone
// by the time its flash is erased.
void ForgetJournalBeforeUiErase(ScsiRequest& request);

}  // namespace rf::test::powerloss
