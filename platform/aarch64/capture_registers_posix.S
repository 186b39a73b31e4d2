// CaptureWalkRegisters(registers) for AAPCS64: stores the caller's
// preserved registers x19 to x29, the link register, sp, and the return
// address as its pc, into the FrameRegisters record at x0 (value[r] at 8r,
// known at 272, pc at 280).
        .text
        .globl  CaptureWalkRegisters
        .type   CaptureWalkRegisters, %function
        .p2align 2
CaptureWalkRegisters:
        .cfi_startproc
        stp     x19, x20, [x0, #152]    // value[19], value[20]
        stp     x21, x22, [x0, #168]
        stp     x23, x24, [x0, #184]
        stp     x25, x26, [x0, #200]
        stp     x27, x28, [x0, #216]
        stp     x29, x30, [x0, #232]    // value[29], value[30]
        mov     x1, sp
        str     x1, [x0, #248]          // value[31]
        str     x30, [x0, #280]         // pc
        movz    x1, #0xfff8, lsl #16    // known: 19-31
        str     x1, [x0, #272]
        ret
        .cfi_endproc
        .size   CaptureWalkRegisters, .-CaptureWalkRegisters

        .section .note.GNU-stack,"",%progbits
