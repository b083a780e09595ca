#pragma once

/* Commands queued on a TCMU ring in memory the way the kernel queues them,
 * laid out with the kernel's own declarations, and the answers read back. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Makes a mailbox and a command ring at the start of pMap (read lengths
 * accepted). */
void rf_fake_tcmu_init(uint8_t* pMap, size_t nMapSize);
/* Queues padding up to the ring's end when fewer than nLength bytes are
 * left there, then one command: its block, and segments of the given
 * lengths at the given offsets of the mapped area. Returns the entry's
 * offset in the ring. */
uint32_t rf_fake_tcmu_queue(uint8_t* pMap, const uint8_t* pCdb, size_t nCdbLength,
                            const size_t* pnOffsets, const size_t* pnLengths, uint32_t nSegments);
/* The answer at an entry; the read length is -1 when none was given. */
uint8_t rf_fake_tcmu_status(const uint8_t* pMap, uint32_t nEntry, long* pnReadLength);
/* True when every queued entry has been passed back. */
int rf_fake_tcmu_drained(const uint8_t* pMap);

#ifdef __cplusplus
}
#endif
