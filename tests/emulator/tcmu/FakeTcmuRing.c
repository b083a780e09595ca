#include "FakeTcmuRing.h"

#include <linux/target_core_user.h>
#include <string.h>

enum { kRingOffset = 128, kRingSize = 1024 };

static struct tcmu_mailbox* Mailbox(uint8_t* pMap) {
    return (struct tcmu_mailbox*)pMap;
}

void rf_fake_tcmu_init(uint8_t* pMap, size_t nMapSize) {
    memset(pMap, 0, nMapSize);
    struct tcmu_mailbox* pMailbox = Mailbox(pMap);
    pMailbox->version = TCMU_MAILBOX_VERSION;
    pMailbox->flags = TCMU_MAILBOX_FLAG_CAP_READ_LEN;
    pMailbox->cmdr_off = kRingOffset;
    pMailbox->cmdr_size = kRingSize;
}

uint32_t rf_fake_tcmu_queue(uint8_t* pMap, const uint8_t* pCdb, size_t nCdbLength,
                            const size_t* pnOffsets, const size_t* pnLengths, uint32_t nSegments) {
    struct tcmu_mailbox* pMailbox = Mailbox(pMap);
    uint8_t* pRing = pMap + pMailbox->cmdr_off;
    const size_t nFixed = sizeof(struct tcmu_cmd_entry) + nSegments * sizeof(struct iovec);
    const uint32_t nLength =
        (uint32_t)((nFixed + 16 + TCMU_OP_ALIGN_SIZE - 1) & ~(size_t)(TCMU_OP_ALIGN_SIZE - 1));
    if (kRingSize - pMailbox->cmd_head < nLength) {
        struct tcmu_cmd_entry_hdr* pPad = (struct tcmu_cmd_entry_hdr*)(pRing + pMailbox->cmd_head);
        uint32_t nPadLenOp = 0;
        tcmu_hdr_set_op(&nPadLenOp, TCMU_OP_PAD);
        tcmu_hdr_set_len(&nPadLenOp, kRingSize - pMailbox->cmd_head);
        pPad->len_op = nPadLenOp;
        pMailbox->cmd_head = 0;
    }
    const uint32_t nEntry = pMailbox->cmd_head;
    struct tcmu_cmd_entry* pEntry = (struct tcmu_cmd_entry*)(pRing + nEntry);
    memset(pEntry, 0, nLength);
    uint32_t nLenOp = 0;
    tcmu_hdr_set_op(&nLenOp, TCMU_OP_CMD);
    tcmu_hdr_set_len(&nLenOp, nLength);
    pEntry->hdr.len_op = nLenOp;
    pEntry->req.iov_cnt = nSegments;
    for (uint32_t i = 0; i < nSegments; ++i) {
        pEntry->req.iov[i].iov_base = (void*)(uintptr_t)pnOffsets[i];
        pEntry->req.iov[i].iov_len = pnLengths[i];
    }
    pEntry->req.cdb_off = pMailbox->cmdr_off + nEntry + nFixed;
    memcpy(pMap + pEntry->req.cdb_off, pCdb, nCdbLength);
    pMailbox->cmd_head = (nEntry + nLength) % kRingSize;
    return nEntry;
}

uint8_t rf_fake_tcmu_status(const uint8_t* pMap, uint32_t nEntry, long* pnReadLength) {
    const struct tcmu_cmd_entry* pEntry =
        (const struct tcmu_cmd_entry*)(pMap + kRingOffset + nEntry);
    *pnReadLength =
        (pEntry->hdr.uflags & TCMU_UFLAG_READ_LEN) != 0 ? (long)pEntry->rsp.read_len : -1;
    return pEntry->rsp.scsi_status;
}

int rf_fake_tcmu_drained(const uint8_t* pMap) {
    const struct tcmu_mailbox* pMailbox = (const struct tcmu_mailbox*)pMap;
    return pMailbox->cmd_tail == pMailbox->cmd_head;
}
