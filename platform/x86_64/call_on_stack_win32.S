# CallOnStack(routine, argument, stack_top) for the Windows x64 calling
# convention: calls routine(argument) with the stack pointer at stack_top
# (16-byte aligned), less the callee's home area, and returns on the
# caller's own stack. rbp holds the way back, which the unwind data names.
        .text
        .globl  CallOnStack
        .def    CallOnStack; .scl 2; .type 32; .endef
        .seh_proc CallOnStack
CallOnStack:
        pushq   %rbp
        .seh_pushreg %rbp
        movq    %rsp, %rbp
        .seh_setframe %rbp, 0
        .seh_endprologue
        leaq    -32(%r8), %rsp
        movq    %rcx, %rax
        movq    %rdx, %rcx
        call    *%rax
        nop                             # a return address never starts an epilogue
        leaq    0(%rbp), %rsp
        popq    %rbp
        ret
        .seh_endproc
