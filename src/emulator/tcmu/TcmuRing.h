#pragma once

/* The command ring of a TCMU backstore as the kernel shares it through its
 * uio device. Kept in C: the kernel's declarations of the ring (a packed
 * union with a flexible array) are not valid C++. Offsets the kernel hands
 * out are checked against the mapped size before they are turned into
 * pointers. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct rf_tcmu_ring {
    uint8_t* pMap; /* the whole mapped area: mailbox, command ring, data */
    size_t nMapSize;
};

/* One data buffer of a command, inside the mapped area. */
struct rf_tcmu_segment {
    uint8_t* pData;
    size_t nLength;
};

/* The command at the ring's tail. Padding and entries this program does not
 * handle are passed over (the latter marked unknown to the kernel). Null
 * when no command is waiting or the ring is not one this program knows. */
void* rf_tcmu_next_command(const struct rf_tcmu_ring* pRing);

/* The command block of a command and how many bytes of the mapped area
 * follow its start; null when its offset lies outside the area. */
const uint8_t* rf_tcmu_cdb(const struct rf_tcmu_ring* pRing, const void* pCommand, size_t* pnRoom);

uint32_t rf_tcmu_segment_count(const void* pCommand);
/* 0 when the segment lies outside the mapped area. */
int rf_tcmu_get_segment(const struct rf_tcmu_ring* pRing, const void* pCommand, uint32_t nIndex,
                        struct rf_tcmu_segment* pSegment);

/* Writes the answer over the command and passes it back to the kernel's
 * side of the ring. nReadLength is how many bytes a command that reads
 * returned, when the kernel takes that figure; negative for the whole
 * buffer. The caller then tells the kernel through the uio device. */
void rf_tcmu_complete(const struct rf_tcmu_ring* pRing, void* pCommand, uint8_t nStatus,
                      const uint8_t* pSense, size_t nSenseLength, long nReadLength);

#ifdef __cplusplus
}
#endif
