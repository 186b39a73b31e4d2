# CaptureWalkRegisters(registers) for the Windows x64 calling convention:
# stores the caller's preserved registers, its stack pointer as it is after
# this call returns, and the return address as its pc, into the
# FrameRegisters record at rcx (value[r] at 8r, known at 272, pc at 280).
        .text
        .globl  CaptureWalkRegisters
CaptureWalkRegisters:
        movq    %rbx, 24(%rcx)          # value[3]
        movq    %rsi, 32(%rcx)          # value[4]
        movq    %rdi, 40(%rcx)          # value[5]
        movq    %rbp, 48(%rcx)          # value[6]
        leaq    8(%rsp), %rax
        movq    %rax, 56(%rcx)          # value[7]: rsp after the return
        movq    %r12, 96(%rcx)          # value[12]
        movq    %r13, 104(%rcx)
        movq    %r14, 112(%rcx)
        movq    %r15, 120(%rcx)         # value[15]
        movq    (%rsp), %rax
        movq    %rax, 128(%rcx)         # value[16]: rip
        movq    %rax, 280(%rcx)         # pc
        movq    $0x1f0f8, 272(%rcx)     # known: 3-7, 12-16
        ret
