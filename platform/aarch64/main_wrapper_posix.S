// main_wrapper(program) for the AAPCS64 calling convention. The frame
// register x29 is cleared before the program is called, so its frame record
// names no caller, and the call-frame information marks this frame as the
// outermost one.
// Every run enters main through it: it lies with the start-up code.
        .section .text.startup,"ax",%progbits
        .globl  main_wrapper
        .type   main_wrapper, %function
        .p2align 2
main_wrapper:
        .cfi_startproc
        // The outermost frame: the stack walk ends here.
        .cfi_undefined x30
        stp     x29, x30, [sp, #-16]!
        .cfi_def_cfa_offset 16
        .cfi_offset x29, -16
        mov     x29, #0
        blr     x0
        ldp     x29, x30, [sp], #16
        .cfi_def_cfa_offset 0
        ret
        .cfi_endproc
        .size   main_wrapper, .-main_wrapper

        .section .note.GNU-stack,"",%progbits
