// main_wrapper(program, raise) for the AAPCS64 calling convention. The
// frame register x29 is cleared before the program is called, so its frame
// record names no caller; the recovery point is set here, and the fault
// handler jumps back to it with the error number.
        .text
        .globl  main_wrapper
        .type   main_wrapper, %function
        .p2align 2
main_wrapper:
        .cfi_startproc
        // The outermost frame: the stack walk ends here.
        .cfi_undefined x30
        stp     x29, x30, [sp, #-32]!
        .cfi_def_cfa_offset 32
        .cfi_offset x29, -32
        stp     x19, x20, [sp, #16]
        .cfi_offset x19, -16
        .cfi_offset x20, -8
        mov     x19, x0
        mov     x20, x1
        mov     x29, #0
        adrp    x0, main_wrapper_recovery
        add     x0, x0, :lo12:main_wrapper_recovery
        mov     w1, #1
        bl      __sigsetjmp
        cbnz    w0, .Lraise
        blr     x19
        ldp     x19, x20, [sp, #16]
        ldp     x29, x30, [sp], #32
        .cfi_def_cfa_offset 0
        ret
        .cfi_def_cfa_offset 32
.Lraise:
        blr     x20
        brk     #0
        .cfi_endproc
        .size   main_wrapper, .-main_wrapper

        .section .note.GNU-stack,"",%progbits
