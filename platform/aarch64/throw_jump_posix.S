// __cxa_throw(object, type, destroy) for the AArch64 procedure call
// standard: hands its own frame record to quiz_record_throw, which keeps
// the chain of return addresses from it and answers the C++ library's own
// routine, then branches there with the arguments as they came. A branch
// leaves no frame of its own for the unwinder to step through, twice, at
// every throw. Weak: a program linked statically has the library's routine
// under this name.
        .text
        .weak   __cxa_throw
        .globl  quiz_throw_jump
        .type   __cxa_throw, %function
__cxa_throw:
quiz_throw_jump:
        .cfi_startproc
        stp     x29, x30, [sp, #-48]!
        .cfi_def_cfa_offset 48
        .cfi_offset x29, -48
        .cfi_offset x30, -40
        mov     x29, sp
        stp     x0, x1, [sp, #16]
        str     x2, [sp, #32]
        mov     x1, x29
        bl      quiz_record_throw
        mov     x16, x0
        ldp     x0, x1, [sp, #16]
        ldr     x2, [sp, #32]
        ldp     x29, x30, [sp], #48
        .cfi_restore x29
        .cfi_restore x30
        .cfi_def_cfa_offset 0
        br      x16
        .cfi_endproc
        .size   __cxa_throw, .-__cxa_throw

        .section .note.GNU-stack,"",@progbits
