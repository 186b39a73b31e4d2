# main_wrapper(program) for the System V x86-64 calling convention. The
# frame register is cleared before the program is called, so its frame
# record names no caller, and the call-frame information marks this frame
# as the outermost one.
# Every run enters main through it: it lies with the start-up code.
        .section .text.startup,"ax",%progbits
        .globl  main_wrapper
        .type   main_wrapper, @function
main_wrapper:
        .cfi_startproc
        # The outermost frame: the stack walk ends here.
        .cfi_undefined rip
        pushq   %rbp
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %rbp, 0
        xorl    %ebp, %ebp
        call    *%rdi
        popq    %rbp
        .cfi_adjust_cfa_offset -8
        ret
        .cfi_endproc
        .size   main_wrapper, .-main_wrapper

        .section .note.GNU-stack,"",@progbits
