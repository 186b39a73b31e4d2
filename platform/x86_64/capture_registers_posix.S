# CaptureWalkRegisters(registers) for the System V x86-64 calling
# convention: stores the caller's preserved registers, its stack pointer as
# it is after this call returns, and the return address as its pc, into the
# FrameRegisters record at rdi (value[r] at 8r, known at 272, pc at 280).
        .text
        .globl  CaptureWalkRegisters
        .type   CaptureWalkRegisters, @function
CaptureWalkRegisters:
        .cfi_startproc
        movq    %rbx, 24(%rdi)          # value[3]
        movq    %rbp, 48(%rdi)          # value[6]
        leaq    8(%rsp), %rax
        movq    %rax, 56(%rdi)          # value[7]: rsp after the return
        movq    %r12, 96(%rdi)          # value[12]
        movq    %r13, 104(%rdi)
        movq    %r14, 112(%rdi)
        movq    %r15, 120(%rdi)         # value[15]
        movq    (%rsp), %rax
        movq    %rax, 128(%rdi)         # value[16]: rip
        movq    %rax, 280(%rdi)         # pc
        movq    $0x1f0c8, 272(%rdi)     # known: 3, 6, 7, 12-16
        ret
        .cfi_endproc
        .size   CaptureWalkRegisters, .-CaptureWalkRegisters

        .section .note.GNU-stack,"",@progbits
