# main_wrapper(program, raise) for the System V x86-64 calling convention.
# The frame register is cleared before the program is called, so its frame
# record names no caller; the recovery point is set here, and the fault
# handler jumps back to it with the error number.
        .text
        .globl  main_wrapper
        .type   main_wrapper, @function
main_wrapper:
        .cfi_startproc
        # The outermost frame: the stack walk ends here.
        .cfi_undefined rip
        pushq   %rbp
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %rbp, 0
        pushq   %rbx
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %rbx, 0
        pushq   %r12
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %r12, 0
        movq    %rdi, %rbx
        movq    %rsi, %r12
        xorl    %ebp, %ebp
        leaq    main_wrapper_recovery(%rip), %rdi
        movl    $1, %esi
        call    __sigsetjmp@PLT
        testl   %eax, %eax
        jnz     .Lraise
        call    *%rbx
        popq    %r12
        .cfi_adjust_cfa_offset -8
        popq    %rbx
        .cfi_adjust_cfa_offset -8
        popq    %rbp
        .cfi_adjust_cfa_offset -8
        ret
        .cfi_adjust_cfa_offset 24
.Lraise:
        movl    %eax, %edi
        call    *%r12
        ud2
        .cfi_endproc
        .size   main_wrapper, .-main_wrapper

        .section .note.GNU-stack,"",@progbits
