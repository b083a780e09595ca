#include "emulator/tcmu/TcmuRing.h"

#include <linux/target_core_user.h>
#include <stddef.h>
#include <string.h>

static struct tcmu_mailbox* Mailbox(const struct rf_tcmu_ring* pRing) {
    return (struct tcmu_mailbox*)pRing->pMap;
}

static int RingIsSound(const struct rf_tcmu_ring* pRing) {
    const struct tcmu_mailbox* pMailbox = Mailbox(pRing);
    return pRing->nMapSize >= sizeof(struct tcmu_mailbox) &&
           pMailbox->version == TCMU_MAILBOX_VERSION && pMailbox->cmdr_size != 0 &&
           pMailbox->cmdr_off <= pRing->nMapSize &&
           pMailbox->cmdr_size <= pRing->nMapSize - pMailbox->cmdr_off;
}

static void AdvanceTail(struct tcmu_mailbox* pMailbox, uint32_t nLength) {
    const uint32_t nTail = (pMailbox->cmd_tail + nLength) % pMailbox->cmdr_size;
    /* Everything written into the entry is seen before the new tail. */
    __atomic_store_n(&pMailbox->cmd_tail, nTail, __ATOMIC_RELEASE);
}

void* rf_tcmu_next_command(const struct rf_tcmu_ring* pRing) {
    if (!RingIsSound(pRing)) {
        return NULL;
    }
    struct tcmu_mailbox* pMailbox = Mailbox(pRing);
    for (;;) {
        const uint32_t nHead = __atomic_load_n(&pMailbox->cmd_head, __ATOMIC_ACQUIRE);
        const uint32_t nTail = pMailbox->cmd_tail;
        /* Padding up to the ring's end may be shorter than a command: only
         * the header is sure to be there. */
        if (nTail == nHead || nTail >= pMailbox->cmdr_size ||
            pMailbox->cmdr_size - nTail < sizeof(struct tcmu_cmd_entry_hdr)) {
            return NULL;
        }
        struct tcmu_cmd_entry* pEntry =
            (struct tcmu_cmd_entry*)(pRing->pMap + pMailbox->cmdr_off + nTail);
        const uint32_t nLength = tcmu_hdr_get_len(pEntry->hdr.len_op);
        const enum tcmu_opcode op = tcmu_hdr_get_op(pEntry->hdr.len_op);
        if (nLength == 0 || nLength > pMailbox->cmdr_size - nTail ||
            (op == TCMU_OP_CMD && nLength < sizeof(struct tcmu_cmd_entry))) {
            return NULL; /* not an entry the kernel makes: never move on from it */
        }
        switch (op) {
            case TCMU_OP_CMD:
                return pEntry;
            case TCMU_OP_PAD:
            case TCMU_OP_TMR: /* nothing is ever left pending to abort */
                break;
            default:
                pEntry->hdr.uflags |= TCMU_UFLAG_UNKNOWN_OP;
                break;
        }
        AdvanceTail(pMailbox, nLength);
    }
}

const uint8_t* rf_tcmu_cdb(const struct rf_tcmu_ring* pRing, const void* pCommand, size_t* pnRoom) {
    const struct tcmu_cmd_entry* pEntry = (const struct tcmu_cmd_entry*)pCommand;
    if (pEntry->req.cdb_off >= pRing->nMapSize) {
        return NULL;
    }
    *pnRoom = pRing->nMapSize - (size_t)pEntry->req.cdb_off;
    return pRing->pMap + pEntry->req.cdb_off;
}

uint32_t rf_tcmu_segment_count(const void* pCommand) {
    return ((const struct tcmu_cmd_entry*)pCommand)->req.iov_cnt;
}

int rf_tcmu_get_segment(const struct rf_tcmu_ring* pRing, const void* pCommand, uint32_t nIndex,
                        struct rf_tcmu_segment* pSegment) {
    const struct tcmu_cmd_entry* pEntry = (const struct tcmu_cmd_entry*)pCommand;
    /* The vector follows the entry's fixed part, inside the entry. */
    const size_t nVectorEnd =
        offsetof(struct tcmu_cmd_entry, req.iov) + ((size_t)nIndex + 1) * sizeof(struct iovec);
    if (nIndex >= pEntry->req.iov_cnt || nVectorEnd > tcmu_hdr_get_len(pEntry->hdr.len_op)) {
        return 0;
    }
    /* Buffer addresses are offsets into the mapped area. */
    const size_t nOffset = (size_t)(uintptr_t)pEntry->req.iov[nIndex].iov_base;
    const size_t nLength = pEntry->req.iov[nIndex].iov_len;
    if (nOffset > pRing->nMapSize || nLength > pRing->nMapSize - nOffset) {
        return 0;
    }
    pSegment->pData = pRing->pMap + nOffset;
    pSegment->nLength = nLength;
    return 1;
}

void rf_tcmu_complete(const struct rf_tcmu_ring* pRing, void* pCommand, uint8_t nStatus,
                      const uint8_t* pSense, size_t nSenseLength, long nReadLength) {
    struct tcmu_mailbox* pMailbox = Mailbox(pRing);
    struct tcmu_cmd_entry* pEntry = (struct tcmu_cmd_entry*)pCommand;
    const uint32_t nLength = tcmu_hdr_get_len(pEntry->hdr.len_op);
    /* The answer overlays the request: nothing of the request is read after this. */
    pEntry->rsp.scsi_status = nStatus;
    memset(pEntry->rsp.sense_buffer, 0, sizeof(pEntry->rsp.sense_buffer));
    if (nSenseLength > sizeof(pEntry->rsp.sense_buffer)) {
        nSenseLength = sizeof(pEntry->rsp.sense_buffer);
    }
    if (pSense != NULL) {
        memcpy(pEntry->rsp.sense_buffer, pSense, nSenseLength);
    }
    if (nReadLength >= 0 && (pMailbox->flags & TCMU_MAILBOX_FLAG_CAP_READ_LEN) != 0) {
        pEntry->hdr.uflags |= TCMU_UFLAG_READ_LEN;
        pEntry->rsp.read_len = (uint32_t)nReadLength;
    }
    AdvanceTail(pMailbox, nLength);
}
