# __cxa_throw(object, type, destroy) for the System V x86-64 calling
# convention: hands its own frame record to quiz_record_throw, which keeps
# the chain of return addresses from it and answers the C++ library's own
# routine, then jumps there with the arguments as they came. A jump leaves
# no frame of its own for the unwinder to step through, twice, at every
# throw. Weak: a program linked statically has the library's routine under
# this name.
        .text
        .weak   __cxa_throw
        .globl  quiz_throw_jump
        .type   __cxa_throw, @function
__cxa_throw:
quiz_throw_jump:
        .cfi_startproc
        pushq   %rbp
        .cfi_adjust_cfa_offset 8
        .cfi_rel_offset %rbp, 0
        movq    %rsp, %rbp
        .cfi_def_cfa_register %rbp
        pushq   %rdi
        pushq   %rsi
        pushq   %rdx
        subq    $8, %rsp
        movq    %rbp, %rsi
        call    quiz_record_throw
        addq    $8, %rsp
        popq    %rdx
        popq    %rsi
        popq    %rdi
        popq    %rbp
        .cfi_def_cfa %rsp, 8
        jmp     *%rax
        .cfi_endproc
        .size   __cxa_throw, .-__cxa_throw

        .section .note.GNU-stack,"",@progbits
